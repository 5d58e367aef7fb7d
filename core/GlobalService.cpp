#include "core/GlobalService.h"

#include <algorithm>

namespace dedevev {

namespace {

template <typename T>
void AddUnique(std::vector<T*>& list, T* item) {
    if (item && std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

template <typename T>
void RemoveItem(std::vector<T*>& list, T* item) {
    const auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

}  // namespace

void CGSEventHandlerMgr::AddLanguageListener(ILocalizerEventHandler* listener) {
    AddUnique(language_listeners_, listener);
}
void CGSEventHandlerMgr::AddSkinListener(ISkinEventHandler* listener) {
    AddUnique(skin_listeners_, listener);
}
void CGSEventHandlerMgr::RemoveLanguageListener(ILocalizerEventHandler* listener) {
    RemoveItem(language_listeners_, listener);
}
void CGSEventHandlerMgr::RemoveSkinListener(ISkinEventHandler* listener) {
    RemoveItem(skin_listeners_, listener);
}

void CGSEventHandlerMgr::NotifyLanguageChanged() {
    for (std::size_t i = 0; i < language_listeners_.size(); ++i) {
        language_listeners_[i]->OnLanguageChanged();
    }
}

void CGSEventHandlerMgr::NotifySkinChanged() {
    for (std::size_t i = 0; i < skin_listeners_.size(); ++i)
        skin_listeners_[i]->OnSkinChanged();
}

CGlobalService::CGlobalService()
    : localizer_(std::make_unique<CLocalizer>()),
      alternate_localizer_(std::make_unique<CLocalizer>()),
      name_mapping_(std::make_unique<CNameMapping>()),
      skin_(std::make_unique<CSkin>()) {}

CGlobalService::~CGlobalService() {
    localizer_.reset();
    alternate_localizer_.reset();
    name_mapping_.reset();
    skin_.reset();
    previous_localizer_.reset();
    previous_skin_.reset();
}

CGlobalService& CGlobalService::Instance() {
    static CGlobalService service;
    return service;
}

void CGlobalService::SwitchLanguage(const std::string& path) {
    // The new localizer is loaded before it replaces the current one, so a reader never
    // sees a half-loaded or missing localizer.
    auto fresh = std::make_unique<CLocalizer>();
    fresh->Load(path);
    previous_localizer_ = std::move(localizer_);
    localizer_ = std::move(fresh);
    handlers_.NotifyLanguageChanged();
}

void CGlobalService::SwitchSkin(const std::string& path) {
    auto fresh = std::make_unique<CSkin>();
    fresh->Load(path);
    previous_skin_ = std::move(skin_);
    skin_ = std::move(fresh);
    ComposePageBackgrounds(*skin_);
    handlers_.NotifySkinChanged();
}

CGSEventHandler::CGSEventHandler(CGlobalService* service) : service_(service) {
    service_->EventHandlers()->AddLanguageListener(this);
    service_->EventHandlers()->AddSkinListener(this);
}

CGSEventHandler::~CGSEventHandler() {
    service_->EventHandlers()->RemoveSkinListener(this);
    service_->EventHandlers()->RemoveLanguageListener(this);
}

}  // namespace dedevev
