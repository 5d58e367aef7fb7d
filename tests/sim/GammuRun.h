#pragma once
// gammu, a standard AT client, run against a simulated card: a gammurc that points it at the
// card's AT port, and runs bounded in time with all gammu printed. Tests that need gammu are
// skipped where it is not installed.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "SimCardFixture.h"
#include "SimTestSupport.h"

namespace dedevev::sim::test {

inline bool HaveGammu() {
    return std::system("command -v gammu >/dev/null 2>&1") == 0;
}

template <typename Base = ::testing::Test>
class GammuFixture : public CardFixture<Base> {
protected:
    // Skips the test where gammu is missing; otherwise starts a card of `kind` and writes the
    // gammurc for its AT port. Call it last in SetUp.
    void StartForGammu(CardKind kind) {
        if (!HaveGammu())
            GTEST_SKIP() << "gammu is not installed (apt-get install gammu); skipping the "
                            "standard-client check";
        ASSERT_NO_FATAL_FAILURE(this->StartCard(kind));
        rc = this->dir.File("gammurc");
        FILE* file = std::fopen(rc.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "[gammu]\ndevice = %s\nconnection = at\n",
                     this->sim->AtPortPath().c_str());
        std::fclose(file);
    }
    // Runs gammu with the card's configuration, for 60 s at most; its exit status, and all it
    // printed in `out`.
    int Gammu(const std::string& arguments, std::string* out) {
        return RunCaptured("timeout 60 gammu -c '" + rc + "' " + arguments, out);
    }

    std::string rc;
};

}  // namespace dedevev::sim::test
