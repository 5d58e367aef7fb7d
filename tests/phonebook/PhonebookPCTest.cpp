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

namespace dedevev {
namespace {

PCContact Contact(std::u16string name, std::u16string mobile, std::u16string office = u"",
                  std::u16string home = u"", std::u16string email = u"",
                  std::u16string remark = u"") {
    return PCContact{std::move(name),
                     std::move(mobile),
                     std::move(office),
                     std::move(home),
                     std::move(email),
                     std::move(remark),
                     0};
}

std::vector<PCContact> All(const CPhonebookPC& book) {
    std::vector<PCContact> all;
    for (int i = 0; i < book.GetCount(); ++i)
        all.push_back(book.GetAt(i));
    return all;
}

class Recorder : public CPhonebookPC::ObserverType {
public:
    void OnAdded(CPhonebookPC*, int position) override { Log("+", position); }
    void OnRemoved(CPhonebookPC*, int position) override { Log("-", position); }
    void OnChanged(CPhonebookPC*, int position) override { Log("~", position); }
    void OnCleared(CPhonebookPC*) override { calls.push_back("clear"); }
    void Log(const char* what, int position) {
        calls.push_back(what + std::to_string(position));
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
    book.Add(Contact(u"Ann", u"111", u"", u"", u"a@x"), &existed);
    EXPECT_FALSE(existed);
    book.Add(Contact(u"Ann", u"111", u"", u"", u"other@x", u"note"), &existed);
    EXPECT_TRUE(existed);
    EXPECT_EQ(book.GetAt(0).email, u"a@x");
    book.Add(Contact(u"Bob", u"222"), &existed);
    PCContact changed = Contact(u"Bob", u"333");
    changed.extra = 7;
    EXPECT_TRUE(book.Update(1, changed));
    EXPECT_EQ(book.GetAt(1), changed);
    // `first` takes `second` out while being told: `second` hears nothing from then on.
    first.then = [&] { book.RemoveObserver(&second); };
    EXPECT_TRUE(book.RemoveAt(0));
    EXPECT_FALSE(book.RemoveAt(5));
    book.Clear();
    EXPECT_EQ(book.GetCount(), 0);
    EXPECT_EQ(first.calls, (std::vector<std::string>{"+0", "+1", "~1", "-0"}));
    EXPECT_EQ(second.calls, (std::vector<std::string>{"+0", "+1", "~1"}));
}

TEST(PhonebookPC, CheckConflictRanksRecordThenNameThenNumber) {
    CPhonebookPC book;
    bool existed = false;
    book.Add(Contact(u"Ann", u"111", u"", u"555"), &existed);
    book.Add(Contact(u"Bob", u"222", u"", u""), &existed);
    book.Add(Contact(u"Cid", u"", u"333", u""), &existed);
    struct Case {
        PCContact candidate;
        int skip;
        int expected;
    } cases[] = {
        {Contact(u"Cid", u"", u"333"), 3, kConflictRecordExists},
        {Contact(u"Cid", u"", u"333"), 2, kConflictNone},   // the contact being edited
        {Contact(u"Bob", u"111"), 3, kConflictNameExists},  // a name beats a number
        {Contact(u"Cid", u"222", u"333"), 3, kConflictNameExists},
        {Contact(u"Dan", u"", u"", u"555"), 3, kConflictNumberExists},
        {Contact(u"Dan", u"", u"222"), 3, kConflictNone},    // same number, other field
        {Contact(u"Dan", u"", u"", u""), 3, kConflictNone},  // empty numbers never conflict
    };
    for (const Case& c : cases)
        EXPECT_EQ(book.CheckConflict(c.candidate, c.skip), c.expected) << c.skip;
}

TEST(PhonebookPC, FindingIsExact) {
    CPhonebookPC book;
    bool existed = false;
    book.Add(Contact(u"Ann", u"+12345"), &existed);
    book.Add(Contact(u"Bob", u"", u"", u"12345"), &existed);
    EXPECT_EQ(book.FindByNumber(u"12345"), 1);
    EXPECT_EQ(book.FindByNumber(u"+12345"), 0);
    EXPECT_EQ(book.FindByNumber(u"2345"), -1);
    EXPECT_EQ(book.FindByNumber(u""), -1);
    EXPECT_EQ(book.FindByName(u"bob"), -1);
    EXPECT_EQ(book.FindByName(u"Bob"), 1);
    EXPECT_EQ(book.Find(Contact(u"Bob", u"", u"", u"12345", u"e")), 1);
    EXPECT_EQ(book.Find(Contact(u"Bob", u"12345")), 2);
}

TEST(PhonebookPC, ReadsWhatTheFileHolds) {
    const std::u16string two_records =
        u"# my contacts\r\nName:Ann\r\nMobile:111\r\nOffice:\r\nHome:\r\nRemark:first\r\n"
        u"second\r\n\r\n#third\r\nEmail:a@x\r\n\r\n"
        u"Mobile:999\r\nHome:888\r\n\r\n"  // lacks its name: dropped, takes nothing after it
        u"Name:Bob\r\nMobile:\r\nOffice:\r\nHome:\r\nRemark:\r\nEmail:222\r\n\r\n"  // no number
        u"Name:Cid\r\nMobile:\r\nOffice:333\r\nHome:\r\nRemark:\r\nEmail:\r\n\r\n"
        u"Name:Dan\r\nMobile:444\r\nOffice";  // cut short
    const std::vector<PCContact> expected = {
        Contact(u"Ann", u"111", u"", u"", u"a@x", u"first\r\nsecond"), Contact(u"Cid", u"", u"333"),
        Contact(u"Dan", u"444")};
    const std::string utf8 = Utf16ToUtf8(two_records);
    for (const std::string& bytes : {test::Utf16LeFile(two_records), utf8}) {
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
    bool existed = false;
    book.Add(Contact(u"Ann", u"111", u"", u"", u"a@x", u"one\r\ntwo"), &existed);
    book.Add(Contact(u"B\r\nob", u"", u"", u"222", u"", u"a\rb\nc\r\n\r\nd"), &existed);
    const std::string bytes = book.Serialise();
    const std::string first = test::Utf16LeFile(
        u"Name:Ann\r\nMobile:111\r\nOffice:\r\nHome:\r\nRemark:one\r\ntwo\r\nEmail:a@x\r\n\r\n");
    EXPECT_EQ(bytes.substr(0, first.size()), first);
    CPhonebookPC back;
    back.Parse(bytes);
    EXPECT_EQ(All(back), (std::vector<PCContact>{
                             Contact(u"Ann", u"111", u"", u"", u"a@x", u"one\r\ntwo"),
                             Contact(u"B  ob", u"", u"", u"222", u"", u"a\r\nb\r\nc\r\nd")}));
}

TEST(PhonebookPC, SaveIsPrivateAndAFailedSaveKeepsTheOldFile) {
    test::TempDir dir;
    const std::string path = dir.File("Phonebook.dat");
    CPhonebookPC book;
    EXPECT_FALSE(book.Load(path));  // missing: empty
    bool existed = false;
    book.Add(Contact(u"Ann", u"111"), &existed);
    ASSERT_TRUE(book.Save(path));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const std::string old = test::ReadFile(path);

    book.Add(Contact(u"Bob", u"222"), &existed);
    ::chmod(dir.Path().c_str(), 0500);
    bool saved = true;
    const bool ran = test::RunWhereFileModesBind([&] { saved = book.Save(path); });
    ::chmod(dir.Path().c_str(), 0700);
    ASSERT_TRUE(ran) << "this process may not drop CAP_DAC_OVERRIDE";
    EXPECT_FALSE(saved);
    EXPECT_EQ(test::ReadFile(path), old);
    CPhonebookPC back;
    EXPECT_TRUE(back.Load(path));
    EXPECT_EQ(All(back), (std::vector<PCContact>{Contact(u"Ann", u"111")}));
}

}  // namespace
}  // namespace dedevev
