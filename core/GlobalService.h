#pragma once
// The process-wide facade through which views reach the current language texts, the skin,
// the number-to-name lookup, and the registry of views to tell when language or skin change.

#include <memory>
#include <string>
#include <vector>

#include "phonebook/NameMapping.h"
#include "resources/Localizer.h"
#include "resources/Skin.h"

namespace dedevev {

class ILocalizerEventHandler {
public:
    virtual ~ILocalizerEventHandler() = default;
    virtual void OnLanguageChanged() = 0;
};

class ISkinEventHandler {
public:
    virtual ~ISkinEventHandler() = default;
    virtual void OnSkinChanged() = 0;
};

class IGSEventHandlerMgr {
public:
    virtual void AddLanguageListener(ILocalizerEventHandler* listener) = 0;
    virtual void AddSkinListener(ISkinEventHandler* listener) = 0;
    virtual void RemoveLanguageListener(ILocalizerEventHandler* listener) = 0;
    virtual void RemoveSkinListener(ISkinEventHandler* listener) = 0;

protected:
    ~IGSEventHandlerMgr() = default;
};

class CGSEventHandlerMgr : public IGSEventHandlerMgr {
public:
    void AddLanguageListener(ILocalizerEventHandler* listener) override;
    void AddSkinListener(ISkinEventHandler* listener) override;
    void RemoveLanguageListener(ILocalizerEventHandler* listener) override;
    void RemoveSkinListener(ISkinEventHandler* listener) override;

    // Walks by index and re-reads the length each step, so a listener that removes itself
    // (or another) during the walk cannot break it.
    void NotifyLanguageChanged();
    void NotifySkinChanged();

    std::size_t LanguageListenerCount() const { return language_listeners_.size(); }
    std::size_t SkinListenerCount() const { return skin_listeners_.size(); }

private:
    std::vector<ISkinEventHandler*> skin_listeners_;
    std::vector<ILocalizerEventHandler*> language_listeners_;
};

class IGlobalService {
public:
    virtual INameMapping* NameMapping() = 0;
    virtual ILocalizer* Localizer() = 0;
    virtual ILocalizer* AlternateLocalizer() = 0;
    virtual ISkin* Skin() = 0;
    virtual IGSEventHandlerMgr* EventHandlers() = 0;

protected:
    ~IGlobalService() = default;
};

class CGlobalService : public IGlobalService {
public:
    CGlobalService();
    ~CGlobalService();
    CGlobalService(const CGlobalService&) = delete;
    CGlobalService& operator=(const CGlobalService&) = delete;

    static CGlobalService& Instance();

    INameMapping* NameMapping() override { return name_mapping_.get(); }
    ILocalizer* Localizer() override { return localizer_.get(); }
    ILocalizer* AlternateLocalizer() override { return alternate_localizer_.get(); }
    ISkin* Skin() override { return skin_.get(); }
    IGSEventHandlerMgr* EventHandlers() override { return &handlers_; }

    CLocalizer* CurrentLocalizer() { return localizer_.get(); }
    CSkin* CurrentSkin() { return skin_.get(); }
    CGSEventHandlerMgr& Handlers() { return handlers_; }
    // The objects replaced by the last switch; they stay alive until the next one.
    const CLocalizer* PreviousLocalizer() const { return previous_localizer_.get(); }
    const CSkin* PreviousSkin() const { return previous_skin_.get(); }

    // Replaces the localizer with a fresh one loaded from `path` (UTF-8 file-system path)
    // and tells every language listener.
    void SwitchLanguage(const std::string& path);
    // Replaces the skin with a fresh one loaded from `path`, composes the page backgrounds
    // and tells every skin listener.
    void SwitchSkin(const std::string& path);

    void AddNameSource(CNameMappingBase* source) { name_mapping_->AddChild(source); }
    // A source about to be destroyed (the phonebook registry at the end) takes itself out.
    void RemoveNameSource(CNameMappingBase* source) { name_mapping_->RemoveChild(source); }

private:
    std::unique_ptr<CLocalizer> localizer_;
    std::unique_ptr<CLocalizer> alternate_localizer_;
    std::unique_ptr<CNameMapping> name_mapping_;
    std::unique_ptr<CSkin> skin_;
    std::unique_ptr<CLocalizer> previous_localizer_;
    std::unique_ptr<CSkin> previous_skin_;
    CGSEventHandlerMgr handlers_;
};

// Carried by every view that shows texts or skin images: registers itself as a language and
// a skin listener for exactly its own lifetime.
class CGSEventHandler : public ILocalizerEventHandler, public ISkinEventHandler {
public:
    explicit CGSEventHandler(CGlobalService* service = &CGlobalService::Instance());
    ~CGSEventHandler() override;
    CGSEventHandler(const CGSEventHandler&) = delete;
    CGSEventHandler& operator=(const CGSEventHandler&) = delete;

    void OnLanguageChanged() override {}
    void OnSkinChanged() override {}

protected:
    ILocalizer* Localizer() const { return service_->Localizer(); }
    ISkin* Skin() const { return service_->Skin(); }
    INameMapping* NameMapping() const { return service_->NameMapping(); }
    CGlobalService* Service() const { return service_; }

private:
    CGlobalService* service_;
};

}  // namespace dedevev
