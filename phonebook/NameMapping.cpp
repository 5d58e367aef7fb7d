#include "phonebook/NameMapping.h"

#include <algorithm>

namespace dedevev {

bool NumbersMatch(std::u16string_view stored, std::u16string_view query, bool exact) {
    if (stored.empty() || query.empty())
        return false;
    if (!exact) {
        std::size_t p = query.rfind(stored);
        if (p != std::u16string_view::npos && p == query.size() - stored.size() &&
            query.size() < 2 * stored.size()) {
            return true;
        }
        p = stored.rfind(query);
        return p != std::u16string_view::npos && p == stored.size() - query.size() &&
               stored.size() < 2 * query.size();
    }
    const std::size_t p = stored.rfind(query);
    if (p == std::u16string_view::npos)
        return false;
    if (query.size() == 10)
        return p == stored.size() - query.size();
    return stored.size() == query.size() && p == 0;
}

void CNameMappingBase::AddListener(INMEventHandler* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void CNameMappingBase::RemoveListener(INMEventHandler* listener) {
    const auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it != listeners_.end())
        listeners_.erase(it);
}

void CNameMappingBase::NotifyListeners() {
    // By index, re-reading the size: a listener may remove itself while being told.
    for (std::size_t i = 0; i < listeners_.size(); ++i)
        listeners_[i]->OnNameMappingChanged();
}

void CNameMapping::Lookup(std::u16string& name, const std::u16string& number,
                          std::u16string& matched) {
    name.clear();
    matched.clear();
    for (CNameMappingBase* child : children_) {
        std::u16string child_name;
        std::u16string child_matched;
        child->Lookup(child_name, number, child_matched);
        if (child_name.empty())
            continue;
        name = child_name;
        matched = child_matched;
        if (child_matched == number)
            return;
    }
}

void CNameMapping::AddChild(CNameMappingBase* child) {
    if (!child || std::find(children_.begin(), children_.end(), child) != children_.end())
        return;
    children_.push_back(child);
    child->AddListener(this);
    NotifyListeners();
}

}  // namespace dedevev
