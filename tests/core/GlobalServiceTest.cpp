#include "core/GlobalService.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace dedevev {
namespace {

struct Recorder : ILocalizerEventHandler, ISkinEventHandler {
    std::vector<std::string>* log;
    std::string name;
    std::function<void()> on_language;
    Recorder(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
    void OnLanguageChanged() override {
        log->push_back(name);
        if (on_language)
            on_language();
    }
    void OnSkinChanged() override { log->push_back("skin:" + name); }
};

TEST(EventHandlerMgr, NoDuplicatesAndRegistrationOrder) {
    CGSEventHandlerMgr mgr;
    std::vector<std::string> log;
    Recorder a(&log, "a");
    Recorder b(&log, "b");
    mgr.AddLanguageListener(&b);
    mgr.AddLanguageListener(&a);
    mgr.AddLanguageListener(&b);
    mgr.AddSkinListener(&a);
    mgr.RemoveSkinListener(&b);  // absent: nothing happens
    mgr.NotifyLanguageChanged();
    mgr.NotifySkinChanged();
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a", "skin:a"}));
}

TEST(EventHandlerMgr, ListenerRemovingItselfDuringTheWalk) {
    CGSEventHandlerMgr mgr;
    std::vector<std::string> log;
    Recorder a(&log, "a");
    Recorder b(&log, "b");
    Recorder c(&log, "c");
    b.on_language = [&] { mgr.RemoveLanguageListener(&b); };
    mgr.AddLanguageListener(&a);
    mgr.AddLanguageListener(&b);
    mgr.AddLanguageListener(&c);
    mgr.NotifyLanguageChanged();
    // c moved up into b's place and was skipped this time; nothing crashed.
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
    log.clear();
    mgr.NotifyLanguageChanged();
    EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));

    // A listener that removes all others (and itself) ends the walk cleanly.
    a.on_language = [&] {
        mgr.RemoveLanguageListener(&a);
        mgr.RemoveLanguageListener(&c);
    };
    log.clear();
    mgr.NotifyLanguageChanged();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    EXPECT_EQ(mgr.LanguageListenerCount(), 0u);
}

class Viewish : public CGSEventHandler {
public:
    explicit Viewish(CGlobalService* s) : CGSEventHandler(s) {}
    int language = 0;
    int skin = 0;
    std::u16string title;
    void OnLanguageChanged() override {
        ++language;
        title = Localizer()->GetText(u"Title", u"DlgSMS");
    }
    void OnSkinChanged() override { ++skin; }
};

TEST(GlobalService, SwitchesKeepThePreviousObjectUntilTheNext) {
    test::TempDir dir;
    test::WriteFile(dir.File("en.txt"), "[DlgSMS]\nTitle=Messages\n");
    test::WriteFile(dir.File("id.txt"), "[DlgSMS]\nTitle=Pesan\n");
    test::WriteFile(dir.File("Skin.txt"), "[colors]\nTransparentColor=RGB(255,0,255)\n");
    CGlobalService service;
    EXPECT_EQ(service.PreviousLocalizer(), nullptr);
    EXPECT_EQ(service.PreviousSkin(), nullptr);
    ILocalizer* first = service.Localizer();
    {
        Viewish view(&service);
        EXPECT_EQ(service.Handlers().LanguageListenerCount(), 1u);
        service.SwitchLanguage(dir.File("en.txt"));
        EXPECT_EQ(view.title, u"Messages");
        EXPECT_EQ(service.PreviousLocalizer(), first);  // alive until the next switch
        const std::u16string& held = service.Localizer()->GetText(u"Title", u"DlgSMS");
        service.SwitchLanguage(dir.File("id.txt"));
        EXPECT_EQ(held, u"Messages");  // a text handed out before the switch is still valid
        EXPECT_EQ(view.title, u"Pesan");
        EXPECT_EQ(view.language, 2);

        service.SwitchSkin(dir.File("Skin.txt"));
        EXPECT_EQ(view.skin, 1);
        EXPECT_EQ(service.Skin()->GetTransparentColor(), MakeSkinColor(255, 0, 255));
        EXPECT_NE(service.PreviousSkin(), nullptr);
    }
    // The view unregistered itself when destroyed.
    EXPECT_EQ(service.Handlers().LanguageListenerCount(), 0u);
    EXPECT_EQ(service.Handlers().SkinListenerCount(), 0u);
    service.SwitchLanguage(dir.File("en.txt"));  // nobody left to call: no crash
}

struct Mapping : CNameMappingBase {
    std::u16string name;
    std::u16string number;
    void Lookup(std::u16string& n, const std::u16string& query, std::u16string& matched) override {
        n.clear();
        matched.clear();
        if (NumbersMatch(number, query, false)) {
            n = name;
            matched = number;
        }
    }
    void Changed() { NotifyListeners(); }
};

struct Counter : INMEventHandler {
    int calls = 0;
    void OnNameMappingChanged() override { ++calls; }
};

TEST(NameMapping, NumberMatchRules) {
    const struct {
        const char16_t* stored;
        const char16_t* query;
        bool exact;
        bool match;
    } cases[] = {
        {u"13800138000", u"+8613800138000", false, true},
        {u"+8613800138000", u"13800138000", false, true},
        {u"8000", u"13800138000", false, false},  // shorter than half
        {u"123456", u"123456", false, true},
        {u"123456", u"", false, false},
        {u"", u"", false, false},
        {u"12345", u"12346", false, false},
        {u"0012345678901", u"2345678901", true, true},  // 10 digits at the end
        {u"12345", u"12345", true, true},
        {u"+6212345", u"12345", true, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumbersMatch(c.stored, c.query, c.exact), c.match) << "case " << (&c - cases);
    }
}

TEST(NameMapping, CompositePrefersAnExactMatchAndForwardsChanges) {
    CNameMapping composite;
    Mapping suffix;
    suffix.name = u"Suffix";
    suffix.number = u"8123456";
    Mapping exact;
    exact.name = u"Exact";
    exact.number = u"+628123456";
    Counter counter;
    composite.AddListener(&counter);
    composite.AddChild(&suffix);
    composite.AddChild(&exact);
    composite.AddChild(&suffix);  // once only
    EXPECT_EQ(counter.calls, 2);
    std::u16string name;
    std::u16string matched;
    composite.Lookup(name, u"+628123456", matched);
    EXPECT_EQ(name, u"Exact");
    EXPECT_EQ(matched, u"+628123456");
    composite.Lookup(name, u"28123456", matched);
    EXPECT_EQ(name, u"Exact");  // both suffix-match; the later child wins
    composite.Lookup(name, u"999", matched);
    EXPECT_EQ(name, u"");
    suffix.Changed();
    EXPECT_EQ(counter.calls, 3);
}

}  // namespace
}  // namespace dedevev
