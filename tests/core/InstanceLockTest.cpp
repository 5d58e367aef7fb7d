// The single-instance lock: taken, held by another, or unusable with the system's reason.
#include "core/InstanceLock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tests/support/TempDir.h"

namespace dedevev {
namespace {

TEST(InstanceLock, TakenHeldOrUnusableWithTheReason) {
    test::TempDir dir;
    InstanceLock first("x", dir.Path());
    ASSERT_EQ(first.TryAcquire(0), InstanceLock::Result::kTaken);
    EXPECT_EQ(first.Folder(), dir.Path());
    InstanceLock second("x", dir.Path());
    EXPECT_EQ(second.TryAcquire(5), InstanceLock::Result::kHeldElsewhere);
    EXPECT_EQ(second.Error(), 0);
    first.Release();
    EXPECT_EQ(second.TryAcquire(0), InstanceLock::Result::kTaken);

    // Folders no lock file can be made in. Root writes into a read-only folder anyway, so
    // that case only counts for other users; the others fail for everyone.
    test::WriteFile(dir.File("plain-file"), "x");
    ::mkdir(dir.File("read-only").c_str(), 0500);
    ::mkdir(dir.File("taken").c_str(), 0700);
    ::mkdir(dir.File("taken/dedevev-x.lock").c_str(), 0700);
    const struct {
        std::string folder;
        int error;
        bool for_root;
    } cases[] = {
        {dir.File("plain-file/sub"), ENOTDIR, true},
        {dir.File("missing/sub"), ENOENT, true},
        {dir.File("taken"), EISDIR, true},
        {dir.File("read-only"), EACCES, false},
    };
    for (const auto& c : cases) {
        if (!c.for_root && ::geteuid() == 0)
            continue;
        SCOPED_TRACE(c.folder);
        InstanceLock lock("x", c.folder);
        EXPECT_EQ(lock.TryAcquire(0), InstanceLock::Result::kUnusable);
        EXPECT_EQ(lock.Error(), c.error);
        EXPECT_EQ(lock.Folder(), c.folder + "/");
        EXPECT_FALSE(lock.Owned());
    }
    ::chmod(dir.File("read-only").c_str(), 0700);  // so that the folder can be removed
}

}  // namespace
}  // namespace dedevev
