// The PC phonebook: sameness, conflicts, exact finding, observers, and Phonebook.dat.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "device/base/Utf.h"
#include "phonebook/PhonebookPC.h"
#include "support/FileModes.h"
#include "support/TempDir.h"

// Contacts are written with designated initializers that name only the fields that matter.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace dedevev {
namespace {

using Contacts = std::vector<PCContact>;

Contacts All(const CPhonebookPC& book) {
    Contacts all;
    for (int i = 0; i < book.GetCount(); ++i)
        all.push_back(book.GetAt(i));
    return all;
}

void AddAll(CPhonebookPC& book, const Contacts& contacts) {
    bool existed = false;
    for (const PCContact& c : contacts)
        book.Add(c, &existed);
}

struct Recorder : CPhonebookPC::ObserverType {
    void OnAdded(CPhonebookPC*, int at) override { Log("+" + std::to_string(at)); }
    void OnRemoved(CPhonebookPC*, int at) override { Log("-" + std::to_string(at)); }
    void OnChanged(CPhonebookPC*, int at) override { Log("~" + std::to_string(at)); }
    void OnCleared(CPhonebookPC*) override { Log("clear"); }
    void Log(std::string call) {
        calls.push_back(std::move(call));
        if (then)
            then();
    }
    std::vector<std::string> calls;
    std::function<void()> then;
};

TEST(PhonebookPC, SameContactIsKeptOnceAndObserversHearEachChange) {
    CPhonebookPC book;
    Recorder first, second;
    book.AddObserver(&first);
    book.AddObserver(&first);  // no duplicates
    book.AddObserver(&second);
    bool existed = true;
    book.Add({.name = u"Ann", .mobile = u"111", .email = u"a@x"}, &existed);
    EXPECT_FALSE(existed);
    book.Add({.name = u"Ann", .mobile = u"111", .email = u"b@x"}, &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(book.GetAt(0).email, u"a@x");
    book.Add({.name = u"Bob", .mobile = u"222"}, &existed);
    const PCContact changed{.name = u"Bob", .mobile = u"333", .extra = 7};
    EXPECT_TRUE(book.Update(1, changed));
    EXPECT_EQ(book.GetAt(1), changed);
    // `first` takes `second` out while being told: `second` hears nothing from then on.
    first.then = [&] { book.RemoveObserver(&second); };
    EXPECT_TRUE(book.RemoveAt(0));
    EXPECT_FALSE(book.RemoveAt(5));
    book.Clear();
    EXPECT_EQ(first.calls, (std::vector<std::string>{"+0", "+1", "~1", "-0"}));
    EXPECT_EQ(second.calls, (std::vector<std::string>{"+0", "+1", "~1"}));
}

TEST(PhonebookPC, SamenessFollowsChangesRemovalsAndLoads) {
    CPhonebookPC book;
    AddAll(book, {{.name = u"Ann", .mobile = u"111"}, {.name = u"Bob", .mobile = u"222"}});
    book.Update(1, {.name = u"Bob", .mobile = u"333"});
    const auto added = [&](const PCContact& c) {
        bool existed = true;
        book.Add(c, &existed);
        return !existed;
    };
    EXPECT_TRUE(added({.name = u"Bob", .mobile = u"222"}));  // the old values are gone
    EXPECT_FALSE(added({.name = u"Bob", .mobile = u"333"}));
    book.RemoveAt(0);
    EXPECT_TRUE(added({.name = u"Ann", .mobile = u"111"}));
    book.Parse(book.Serialise());
    EXPECT_FALSE(added({.name = u"Ann", .mobile = u"111"}));
    book.Clear();
    EXPECT_TRUE(added({.name = u"Ann", .mobile = u"111"}));
}

TEST(PhonebookPC, ConflictsAndFindingAreExact) {
    CPhonebookPC book;
    AddAll(book, {{.name = u"Ann", .mobile = u"+12345", .home = u"555"},
                  {.name = u"Bob", .home = u"12345"},
                  {.name = u"Cid", .office = u"333"}});
    struct Case {
        PCContact candidate;
        int skip;
        int expected;
    } cases[] = {
        {{.name = u"Cid", .office = u"333"}, 3, kConflictRecordExists},
        {{.name = u"Cid", .office = u"333"}, 2, kConflictNone},  // the contact being edited
        {{.name = u"Bob", .mobile = u"+12345"}, 3, kConflictNameExists},  // name beats number
        {{.name = u"Dan", .home = u"555"}, 3, kConflictNumberExists},
        {{.name = u"Dan", .office = u"555"}, 3, kConflictNone},  // same number, other field
        {{.name = u"Dan"}, 3, kConflictNone},                    // empty numbers never conflict
    };
    for (const Case& c : cases)
        EXPECT_EQ(book.CheckConflict(c.candidate, c.skip), c.expected) << c.skip;
    EXPECT_EQ(book.FindByNumber(u"12345"), 1);
    EXPECT_EQ(book.FindByNumber(u"2345"), -1);
    EXPECT_EQ(book.FindByNumber(u""), -1);
    EXPECT_EQ(book.FindByName(u"bob"), -1);
    EXPECT_EQ(book.Find({.name = u"Bob", .home = u"12345", .email = u"e"}), 1);
    EXPECT_EQ(book.Find({.name = u"Bob", .mobile = u"12345"}), 3);
}

TEST(PhonebookPC, ReadsWhatTheFileHolds) {
    const std::u16string text =
        u"# my contacts\r\nName:Ann\r\nMobile:111\r\nOffice:\r\nHome:\r\nRemark:first\r\n"
        u"second\r\n\r\n#third\r\nEmail:a@x\r\n\r\n"
        u"Mobile:999\r\nHome:888\r\n\r\n"  // lacks its name: dropped, takes nothing after it
        u"Name:Bob\r\nMobile:\r\nOffice:\r\nHome:\r\nRemark:\r\nEmail:222\r\n\r\n"  // no number
        u"Name:Cid\r\nMobile:\r\nOffice:333\r\nHome:\r\nRemark:\r\nEmail:\r\n\r\n"
        u"Name:Dan\r\nMobile:444\r\nOffice";  // cut short
    const Contacts expected = {
        {.name = u"Ann", .mobile = u"111", .email = u"a@x", .remark = u"first\r\nsecond"},
        {.name = u"Cid", .office = u"333"},
        {.name = u"Dan", .mobile = u"444"}};
    for (const std::string& bytes : {test::Utf16LeFile(text), Utf16ToUtf8(text)}) {
        CPhonebookPC book;
        book.Parse(bytes);
        EXPECT_EQ(All(book), expected);
    }
    CPhonebookPC garbage;
    garbage.Parse(std::string_view("\xFF\xFE\x00\xD8Name:\x0A\x00Mobile:1", 19));
    EXPECT_EQ(garbage.GetCount(), 0);
}

TEST(PhonebookPC, WritesUtf16AndReadsItBack) {
    CPhonebookPC book;
    AddAll(book, {{.name = u"Ann", .mobile = u"111", .email = u"a@x", .remark = u"one\r\ntwo"},
                  {.name = u"B\r\nob", .home = u"222", .remark = u"a\rb\nc\r\n\r\nd"}});
    const std::string bytes = book.Serialise();
    const std::string first = test::Utf16LeFile(
        u"Name:Ann\r\nMobile:111\r\nOffice:\r\nHome:\r\nRemark:one\r\ntwo\r\nEmail:a@x\r\n\r\n");
    EXPECT_EQ(bytes.substr(0, first.size()), first);
    CPhonebookPC back;
    back.Parse(bytes);
    EXPECT_EQ(
        All(back),
        (Contacts{{.name = u"Ann", .mobile = u"111", .email = u"a@x", .remark = u"one\r\ntwo"},
                  {.name = u"B  ob", .home = u"222", .remark = u"a\r\nb\r\nc\r\nd"}}));
}

TEST(PhonebookPC, SaveIsPrivateAndAFailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.File("Phonebook.dat");
    CPhonebookPC book;
    EXPECT_FALSE(book.Load(path));  // missing: empty
    AddAll(book, {{.name = u"Ann", .mobile = u"111"}});
    ASSERT_TRUE(book.Save(path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string old = test::ReadFile(path);

    AddAll(book, {{.name = u"Bob", .mobile = u"222"}});
    ::chmod(dir.Path().c_str(), 0500);
    bool saved = true;
    const bool ran = test::RunWhereFileModesBind([&] { saved = book.Save(path); });
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFile(path), old);
}

}  // namespace
}  // namespace dedevev
