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

std::u16string NameOrNumber(INameMapping* mapping, const std::u16string& number) {
    if (mapping == nullptr)
        return number;
    std::u16string name;
    std::u16string matched;
    mapping->Lookup(name, number, matched);
    return name.empty() ? number : name;
}

void CNameMappingBase::AddListener(INMEventHandler* listener) {
    std::lock_guard<std::recursive_mutex> lock(listeners_mutex_);
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
        listeners_.push_back(listener);
    }
}

void CNameMappingBase::RemoveListener(INMEventHandler* listener) {
    std::lock_guard<std::recursive_mutex> lock(listeners_mutex_);
    const auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it != listeners_.end())
        listeners_.erase(it);
}

void CNameMappingBase::NotifyListeners() {
    std::lock_guard<std::recursive_mutex> lock(listeners_mutex_);
    // Those registered now, each only while it still is: a listener may remove itself or
    // another one while it is told.
    const std::vector<INMEventHandler*> listeners = listeners_;
    for (INMEventHandler* listener : listeners) {
        if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end())
            listener->OnNameMappingChanged();
    }
}

void CNameMapping::Lookup(std::u16string& name, const std::u16string& number,
                          std::u16string& matched) {
    name.clear();
    matched.clear();
    // A child taken out waits for this walk to end (RemoveChild takes the same lock).
    std::lock_guard<std::mutex> lock(children_mutex_);
    std::u16string child_name;
    std::u16string child_matched;
    for (CNameMappingBase* child : children_) {
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
    {
        std::lock_guard<std::mutex> lock(children_mutex_);
        if (!child || std::find(children_.begin(), children_.end(), child) != children_.end())
            return;
        children_.push_back(child);
    }
    child->AddListener(this);
    NotifyListeners();
}

void CNameMapping::RemoveChild(CNameMappingBase* child) {
    {
        std::lock_guard<std::mutex> lock(children_mutex_);
        const auto found = std::find(children_.begin(), children_.end(), child);
        if (found == children_.end())
            return;
        children_.erase(found);
    }
    child->RemoveListener(this);
    NotifyListeners();
}

}  // namespace dedevev
