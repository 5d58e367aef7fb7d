// vCard files: what the cards of common programs yield, export and import back, and damaged or
// oversized files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ostream>
#include <string>
#include <vector>

#include "device/base/Utf.h"
#include "phonebook/VCard.h"
#include "phonebook/VCardInternal.h"
#include "support/TempDir.h"

namespace dedevev {

void PrintTo(const PCContact& c, std::ostream* out) {
    for (const std::u16string* field :
         {&c.name, &c.mobile, &c.office, &c.home, &c.email, &c.remark})
        *out << '[' << Utf16ToUtf8(*field) << ']';
}

namespace {

struct Expected {
    std::u16string name, mobile, office, home, email, remark;
};

struct CardCase {
    const char* program;
    std::string file;
    Expected contact;
};

// Cards in the shapes phones and mail programs write them.
const CardCase kCards[] = {
    {"Android 2.1",
     "BEGIN:VCARD\r\nVERSION:2.1\r\n"
     "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0;=E4=B8=89;;;\r\n"
     "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0=E4=\r\n=B8=89\r\n"
     "TEL;CELL;PREF:+86 138 0013 8000\r\nTEL;WORK:010-6552 9988\r\nTEL;CELL:139 0000 1111\r\n"
     "EMAIL;HOME:zhang@example.cn\r\n"
     "PHOTO;ENCODING=BASE64;JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAMCAgICAgMCAgIDAwMDBAYEBAQE\r\n"
     " BQcFBQUFBQoHBwYIDAoMDAsKCwsNDhIQDQ4RDgsLEBYQERMUFRUVDA8XGBYUGBIUFRT/\r\n\r\n"
     "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Caf=C3=A9=0D=0ANext line\r\n"
     "END:VCARD\r\n",
     {u"张三", u"+86 138 0013 8000", u"010-6552 9988", u"", u"zhang@example.cn",
      u"Café\r\nNext line\r\nTel: 139 0000 1111"}},
    {"iOS 3.0",
     "BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\n"
     "N:Appleseed;John;;;\nFN:Appleseed\\, John\nORG:Example\\, Inc.;\n"
     "item1.TEL;type=pref:+1 (408) 555-0100\nitem1.X-ABLabel:_$!<Mobile>!$_\n"
     "TEL;type=WORK;type=VOICE:+1 408 555 0101\n"
     "item2.EMAIL;type=INTERNET;type=pref:john@example.com\n"
     "NOTE:Met at the fair\\, 2023\\; bring slides\\nSecond line\nEND:VCARD\n",
     {u"Appleseed, John", u"+1 (408) 555-0100", u"+1 408 555 0101", u"", u"john@example.com",
      u"Met at the fair, 2023; bring slides\r\nSecond line"}},
    {"Thunderbird 4.0",
     "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Müller;Jürgen;;;\r\n"
     "TEL;VALUE=uri;TYPE=\"work,voice\":tel:+49-30-1234567\r\n"
     "TEL;TYPE=home;VALUE=uri:tel:+49-30-7654321\r\n"
     "TEL;TYPE=fax;VALUE=uri:tel:+49-30-1234568\r\n"
     "EMAIL;PREF=1:juergen@exam\r\n ple.org\r\nUID:urn:uuid:4fbe8971-0bc3-424c-9c26\r\n"
     "END:VCARD\r\n",
     {u"Jürgen Müller", u"", u"+49-30-1234567", u"+49-30-7654321", u"juergen@example.org",
      u"Tel: +49-30-1234568"}},
    {"Outlook 2.1",
     "BEGIN:VCARD\r\nVERSION:2.1\r\n"
     "N;LANGUAGE=fr;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:Gr=FC=DFer;Fran=E7ois\r\n"
     "FN;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:Fran=E7ois Gr=FC=DFer\r\n"
     "TEL;WORK;FAX:+33 1 23 45 67 80\r\nTEL;WORK;VOICE:+33 1 23 45 67 89\r\n"
     "TEL;CELL;VOICE:+33 6 12 34 56 78\r\nEMAIL;PREF;INTERNET:francois@example.fr\r\n"
     "NOTE;CHARSET=Windows-1252;ENCODING=QUOTED-PRINTABLE:Prix =80 100=0D=0A2e =\r\nligne\r\n"
     "END:VCARD\r\n",
     {u"François Grüßer", u"+33 6 12 34 56 78", u"+33 1 23 45 67 89", u"", u"francois@example.fr",
      u"Prix € 100\r\n2e ligne\r\nTel: +33 1 23 45 67 80"}},
    {"Name from N, untyped numbers",
     "\xEF\xBB\xBF"
     "BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane;Q.;Dr.;\nTEL:111\nTEL:222\nTEL;CELL:555\nTEL:333\n"
     "END:VCARD\n",
     {u"Jane Q. Doe", u"555", u"222", u"111", u"", u"Tel: 333"}},
};

void PrintTo(const CardCase& c, std::ostream* out) {
    *out << c.program;
}

class VCardPrograms : public ::testing::TestWithParam<CardCase> {};

TEST_P(VCardPrograms, YieldTheContact) {
    const CardCase& c = GetParam();
    const std::vector<VCardEntry> entries = ParseVCards(c.file);
    ASSERT_EQ(entries.size(), 1u) << c.program;
    const Expected& e = c.contact;
    EXPECT_EQ(entries[0].contact,
              (PCContact{e.name, e.mobile, e.office, e.home, e.email, e.remark, 0}))
        << c.program;
}

INSTANTIATE_TEST_SUITE_P(Cards, VCardPrograms, ::testing::ValuesIn(kCards));

std::vector<PCContact> TrickyContacts() {
    return {
        {u"Zoë O'Brien-Łukasiewicz", u"+48 601 234 567", u"", u"", u"zoe@example.pl",
         u"One, with a comma; and a semicolon\r\nTwo \\ backslash\r\n\r\nafter an empty line", 0},
        {u"张三丰", u"", u"010,123;4", u"", u"", std::u16string(120, u'é') + u"张", 0},
        {u"Anna Maria Schmidt", u"0171 1234567", u"030 123", u"030 456", u"", u"", 0},
        {u"Madonna", u"555", u"", u"", u"", u"", 0},
    };
}

TEST(VCardWriter, ReadsBackTheSameContacts) {
    const std::vector<PCContact> contacts = TrickyContacts();
    std::vector<PCContact> back;
    for (const VCardEntry& entry : ParseVCards(WriteVCards(contacts)))
        back.push_back(entry.contact);
    EXPECT_EQ(back, contacts);
}

TEST(VCardWriter, FoldsAt75OctetsWithCrLfAndWholeCharacters) {
    const std::string file = WriteVCards(TrickyContacts());
    for (std::size_t start = 0; start < file.size();) {
        const std::size_t end = file.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string line = file.substr(start, end - start);
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_TRUE(IsValidUtf8(line) && line.find('\n') == std::string::npos) << line;
        start = end + 2;
    }
}

// What each card of a file comes to: "ok", "name", "number" or "bad", in file order.
std::string Outcomes(const std::string& file) {
    std::string out;
    for (const VCardEntry& entry : ParseVCards(file)) {
        if (!out.empty())
            out += ' ';
        out += entry.ok                                   ? "ok"
               : entry.refusal == VCardRefusal::kNoName   ? "name"
               : entry.refusal == VCardRefusal::kNoNumber ? "number"
                                                          : "bad";
    }
    return out;
}

const std::string kGood = "BEGIN:VCARD\nFN:A\nTEL:1\nEND:VCARD\n";
const std::string kHuge(2 * 1024 * 1024, 'Q');

TEST(VCardReader, DamagedCardsAreRefusedAndTheOthersRead) {
    const struct {
        const char* what;
        std::string file;
        const char* outcomes;
    } cases[] = {
        {"no END", kGood + "BEGIN:VCARD\nFN:B\nTEL:2\n", "ok bad"},
        {"garbage line in a card", "BEGIN:VCARD\nFN:B\nnot a property\nTEL:2\nEND:VCARD\n", "bad"},
        {"garbage between cards", "junk\n" + kGood + "\x01\xFF junk: x\n" + kGood, "ok ok"},
        {"nested card", "BEGIN:VCARD\nFN:B\n" + kGood + "END:VCARD\n" + kGood, "bad ok ok"},
        {"huge used line", "BEGIN:VCARD\nFN:B\nTEL:2\nNOTE:" + kHuge + "\nEND:VCARD\n" + kGood,
         "bad ok"},
        {"huge photo", "BEGIN:VCARD\nFN:B\nTEL:2\nPHOTO;ENCODING=b:" + kHuge + "\nEND:VCARD\n",
         "ok"},
        {"binary junk",
         "BEGIN:VCARD\nFN:B\n" + std::string("\0\x80\xFE\x1B[2J", 7) +
             "\nTEL:2\n"
             "END:VCARD\n",
         "bad"},
        {"unindented 2.1 photo",
         "BEGIN:VCARD\nFN:B\nPHOTO;BASE64:/9j/4AAQ\nSkZJRgABAQ\n\nTEL;CELL:2\nEND:VCARD\n", "ok"},
        {"soft break before END", "BEGIN:VCARD\nFN:B\nTEL:2\nNOTE;QUOTED-PRINTABLE:x=\nEND:VCARD\n",
         "ok"},
        {"no name", "BEGIN:VCARD\nN:;;;;\nTEL:1\nEND:VCARD\n", "name"},
        {"no number", "BEGIN:VCARD\nFN:A\nEMAIL:a@b.c\nTEL;FAX:1\nEND:VCARD\n", "number"},
        {"no card", "FN:A\nTEL:1\n", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Outcomes(c.file), c.outcomes) << c.what;
}

class VCardFiles : public ::testing::Test {
protected:
    VCardImportResult Import(const std::string& bytes) {
        test::WriteFile(dir_.File("in.vcf"), bytes);
        return ImportVCardFile(dir_.File("in.vcf"), book_);
    }
    test::TempDir dir_;
    CPhonebookPC book_;
};

TEST_F(VCardFiles, CountsAddedDuplicatesAndRefused) {
    bool existed = false;
    book_.Add({u"A", u"1", u"", u"", u"", u"", 0}, &existed);
    const VCardImportResult result =
        Import(kGood + "BEGIN:VCARD\nFN:B\nEND:VCARD\nBEGIN:VCARD\nFN:C\nTEL:3\nEND:VCARD\n" +
               "BEGIN:VCARD\nFN:C\nTEL:3\nEND:VCARD\n");
    EXPECT_EQ(result.outcome, VCardImportResult::kDone);
    EXPECT_EQ(result.added, 1);
    EXPECT_EQ(result.duplicates, 2);
    ASSERT_EQ(result.refused.size(), 1u);
    EXPECT_EQ(result.refused[0].refusal, VCardRefusal::kNoNumber);
    EXPECT_EQ(result.refused[0].line, 5);
    EXPECT_EQ(book_.GetCount(), 2);
}

TEST_F(VCardFiles, UnusableFilesChangeNothing) {
    std::string too_many;
    for (std::size_t i = 0; i <= kMaxVCardCards; ++i)
        too_many += kGood;
    const struct {
        const char* what;
        std::string bytes;
        VCardImportResult::Outcome outcome;
    } cases[] = {
        {"over the size limit", kGood + std::string(kMaxVCardFileBytes, ' '),
         VCardImportResult::kTooLarge},
        {"too many cards", too_many, VCardImportResult::kTooLarge},
        {"empty", "", VCardImportResult::kNoCards},
        {"no card", "FN:A\nTEL:1\n", VCardImportResult::kNoCards},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Import(c.bytes).outcome, c.outcome) << c.what;
        EXPECT_EQ(book_.GetCount(), 0) << c.what;
    }
    ASSERT_EQ(::mkfifo(dir_.File("fifo").c_str(), 0600), 0);
    for (const std::string& unreadable : {dir_.File("missing.vcf"), dir_.Path(), dir_.File("fifo")})
        EXPECT_EQ(ImportVCardFile(unreadable, book_).outcome, VCardImportResult::kCannotRead)
            << unreadable;
}

TEST_F(VCardFiles, ExportThenImportGivesThePhonebookBack) {
    bool existed = false;
    for (const PCContact& contact : TrickyContacts())
        book_.Add(contact, &existed);
    ASSERT_TRUE(ExportVCardFile(dir_.File("out.vcf"), book_));
    struct stat info {};
    ASSERT_EQ(::stat(dir_.File("out.vcf").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    CPhonebookPC back;
    EXPECT_EQ(ImportVCardFile(dir_.File("out.vcf"), back).added, 4);
    ASSERT_EQ(back.GetCount(), book_.GetCount());
    for (int i = 0; i < back.GetCount(); ++i)
        EXPECT_EQ(back.GetAt(i), book_.GetAt(i));
    EXPECT_FALSE(ExportVCardFile(dir_.File("no/such/folder/out.vcf"), book_));
}

}  // namespace
}  // namespace dedevev
