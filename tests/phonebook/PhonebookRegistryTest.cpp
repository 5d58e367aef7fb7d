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

namespace dedevev {
namespace {

using test::FakePhonebookStore;

PCContact Contact(std::u16string name, std::u16string mobile) {
    PCContact c;
    c.name = std::move(name);
    c.mobile = std::move(mobile);
    return c;
}

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
        PhonebookRegistryEnvironment env;
        env.file = dir.File("Phonebook.dat");
        env.card_store = [this] { return store; };
        env.add_name_source = [this](CNameMappingBase* source) {
            names.AddChild(source);
            ++registered;
        };
        env.remove_name_source = [this](CNameMappingBase* source) { names.RemoveChild(source); };
        return env;
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
};

TEST_F(RegistryTest, ReadsTheFileAtTheStartAndWritesItAtTheEnd) {
    test::WriteFile(dir.File("Phonebook.dat"), FileOf({Contact(u"Ann", u"0811111")}));
    {
        PhonebookRegistry registry(Environment());
        EXPECT_EQ(registered, 1);
        EXPECT_EQ(NameOf(u"0811111"), u"Ann");
        bool existed = false;
        registry.PCPhonebook().Add(Contact(u"Bob", u"0822222"), &existed);
        EXPECT_EQ(NameOf(u"0822222"), u"Bob");
    }
    EXPECT_EQ(NameOf(u"0811111"), u"");  // the mapping went with the registry
    EXPECT_EQ(test::ReadFile(dir.File("Phonebook.dat")),
              FileOf({Contact(u"Ann", u"0811111"), Contact(u"Bob", u"0822222")}));
}

TEST_F(RegistryTest, AFileThatCannotBeReadIsNotWrittenOver) {
    const std::string path = dir.File("Phonebook.dat");
    test::WriteFile(path, FileOf({Contact(u"Ann", u"0811111")}));
    ::chmod(path.c_str(), 0);
    bool saved = true;
    const bool ran = test::RunWhereFileModesBind([&] {
        PhonebookRegistry registry(Environment());
        bool existed = false;
        registry.PCPhonebook().Add(Contact(u"Bob", u"0822222"), &existed);
        saved = registry.Save();
    });
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFile(path), FileOf({Contact(u"Ann", u"0811111")}));
}

TEST_F(RegistryTest, CardMappingsFollowTheCurrentModemObject) {
    FakePhonebookStore first, second;
    first.modem.Add({"Cat", "0833333"}, nullptr);
    second.modem.Add({"Dan", "0833333"}, nullptr);
    PhonebookRegistry registry(Environment());
    EXPECT_EQ(registry.ModemPhonebook(), nullptr);  // no modem object yet
    store = &first;
    EXPECT_EQ(registry.ModemPhonebook(), &first.modem);
    EXPECT_EQ(NameOf(u"0833333"), u"Cat");

    registry.ForgetCardPhonebooks();  // the modem object is about to go
    EXPECT_TRUE(first.modem.ObserverCount() == 0);
    EXPECT_EQ(NameOf(u"0833333"), u"");
    store = &second;
    EXPECT_EQ(registry.ModemPhonebook(), &second.modem);
    EXPECT_EQ(NameOf(u"0833333"), u"Dan");
    store = &first;  // replaced without a notice: the next use rebinds
    EXPECT_EQ(registry.ModemPhonebook(), &first.modem);
    EXPECT_TRUE(second.modem.ObserverCount() == 0);
    EXPECT_EQ(registry.UimPhonebook(), &first.uim);
    EXPECT_EQ(registered, 3);  // the PC mapping, the modem's, the UIM's: each once
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
    PhonebookRegistry::Instance().PCPhonebook().Add(Contact(u"Ann", u"0811111"), &existed);
    Devices().ResetModemAgent();
    EXPECT_NE(PhonebookRegistry::Instance().ModemPhonebook(), nullptr);
    Devices().ReleaseModemAgent();
    PhonebookRegistry::ShutdownInstance();
    EXPECT_EQ(test::ReadFile(NativePath(DataFolder() + u"Phonebook.dat")),
              FileOf({Contact(u"Ann", u"0811111")}));
    ::unsetenv("XDG_DATA_HOME");
    ResetDataFolderForTesting();
}

}  // namespace
}  // namespace dedevev
