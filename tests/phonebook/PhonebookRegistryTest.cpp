// The phonebook registry: Phonebook.dat read at the start and written at the end, the name
// mappings registered once, the card mappings following the current modem object.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "device/DeviceHolder.h"
#include "phonebook/NameMapping.h"
#include "phonebook/PhonebookRegistry.h"
#include "support/FakeCardPhonebook.h"
#include "support/FileModes.h"
#include "support/TempDir.h"

// Contacts are written with designated initializers that name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace dedevev {
namespace {

const PCContact kAnn{.name = u"Ann", .mobile = u"0811111"};
const PCContact kBob{.name = u"Bob", .mobile = u"0822222"};

std::string FileOf(std::vector<PCContact> contacts) {
    CPhonebookPC book;
    bool existed = false;
    for (const PCContact& c : contacts)
        book.Add(c, &existed);
    return book.Serialise();
}

// A registry over a file in a temporary folder, a store the test can swap, and a composite
// mapping that collects what the registry registers.
class RegistryTest : public ::testing::Test {
protected:
    PhonebookRegistryEnvironment Environment() {
        return {dir.File("Phonebook.dat"), [this] { return store; },
                [this](CNameMappingBase* source) {
                    names.AddChild(source);
                    ++registered;
                },
                [this](CNameMappingBase* source) { names.RemoveChild(source); }};
    }
    std::u16string NameOf(const std::u16string& number) {
        std::u16string name, matched;
        names.Lookup(name, number, matched);
        return name;
    }

    test::TempDir dir;
    IPhonebookStore* store = nullptr;
    CNameMapping names;
    int registered = 0;
    bool existed = false;
};

TEST_F(RegistryTest, ReadsTheFileAtTheStartAndWritesItAtTheEnd) {
    test::WriteFile(dir.File("Phonebook.dat"), FileOf({kAnn}));
    {
        PhonebookRegistry registry(Environment());
        EXPECT_EQ(NameOf(u"0811111"), u"Ann");
        registry.PCPhonebook().Add(kBob, &existed);
        EXPECT_EQ(NameOf(u"0822222"), u"Bob");
    }
    EXPECT_EQ(NameOf(u"0811111"), u"");  // the mapping went with the registry
    EXPECT_EQ(test::ReadFile(dir.File("Phonebook.dat")), FileOf({kAnn, kBob}));
}

TEST_F(RegistryTest, AFileThatCannotBeReadIsNotWrittenOver) {
    const std::string path = dir.File("Phonebook.dat");
    test::WriteFile(path, FileOf({kAnn}));
    ::chmod(path.c_str(), 0);
    const bool ran = test::RunWhereFileModesBind([&] {
        PhonebookRegistry registry(Environment());
        registry.PCPhonebook().Add(kBob, &existed);
        EXPECT_FALSE(registry.Save());
    });
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_EQ(test::ReadFile(path), FileOf({kAnn}));
}

TEST_F(RegistryTest, CardMappingsFollowTheCurrentModemObject) {
    test::FakePhonebookStore first, second;
    first.modem.Add({"Cat", "0833333"}, nullptr);
    second.modem.Add({"Dan", "0833333"}, nullptr);
    PhonebookRegistry registry(Environment());
    EXPECT_EQ(registry.ModemPhonebook(), nullptr);  // no modem object yet
    store = &first;
    EXPECT_EQ(registry.ModemPhonebook(), &first.modem);
    EXPECT_EQ(NameOf(u"0833333"), u"Cat");
    registry.ForgetCardPhonebooks();  // the modem object is about to go
    EXPECT_EQ(first.modem.ObserverCount(), 0u);
    EXPECT_EQ(NameOf(u"0833333"), u"");
    store = &second;  // the next use follows the new object
    EXPECT_EQ(registry.ModemPhonebook(), &second.modem);
    EXPECT_EQ(NameOf(u"0833333"), u"Dan");
    EXPECT_EQ(registered, 2);  // the PC mapping and the modem's, each once
}

// The process-wide registry lets go of the card's phonebooks when the holder replaces or
// releases the modem object (the sanitizer builds see any use of a released phonebook).
TEST(PhonebookRegistry, ProcessWideRegistrySavesToTheDataFolder) {
    test::TempDir data;
    ::setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
    ResetDataFolderForTesting();
    Devices().ResetModemAgent();
    ASSERT_NE(PhonebookRegistry::Instance().ModemPhonebook(), nullptr);
    bool existed = false;
    PhonebookRegistry::Instance().PCPhonebook().Add(kAnn, &existed);
    Devices().ResetModemAgent();
    EXPECT_NE(PhonebookRegistry::Instance().ModemPhonebook(), nullptr);
    Devices().ReleaseModemAgent();
    PhonebookRegistry::ShutdownInstance();
    EXPECT_EQ(test::ReadFile(NativePath(DataFolder() + u"Phonebook.dat")), FileOf({kAnn}));
    ::unsetenv("XDG_DATA_HOME");
    ResetDataFolderForTesting();
}

}  // namespace
}  // namespace dedevev
