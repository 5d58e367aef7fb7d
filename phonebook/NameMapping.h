#pragma once
// Number-to-name lookup: every number the program shows goes through INameMapping.

#include <mutex>
#include <string>
#include <vector>

namespace dedevev {

class INMEventHandler {
public:
    virtual ~INMEventHandler() = default;
    // Some phonebook behind the mapping changed; names shown may be stale.
    virtual void OnNameMappingChanged() = 0;
};

class INameMapping {
public:
    // name: the contact's name (empty when none); matched: the stored number that matched.
    virtual void Lookup(std::u16string& name, const std::u16string& number,
                        std::u16string& matched) = 0;
    virtual void AddListener(INMEventHandler* listener) = 0;
    virtual void RemoveListener(INMEventHandler* listener) = 0;
    virtual ~INameMapping() = default;
};

// Whether a stored number and a looked-up number denote the same party: one ends with the
// other and the shorter is more than half as long (or, with `exact`, the stricter rule).
bool NumbersMatch(std::u16string_view stored, std::u16string_view query, bool exact);

// What a view shows for `number`: the contact's name when `mapping` knows one, else the
// number itself.
std::u16string NameOrNumber(INameMapping* mapping, const std::u16string& number);

// Listeners may be added and removed on any thread. They are told under the list's lock, so
// once RemoveListener returns a listener is never called again; a listener may remove itself
// (or another) while it is told.
class CNameMappingBase : public INameMapping {
public:
    void AddListener(INMEventHandler* listener) override;
    void RemoveListener(INMEventHandler* listener) override;

protected:
    // Tells every listener, in registration order, on the calling thread.
    void NotifyListeners();

private:
    std::recursive_mutex listeners_mutex_;  // listeners_
    std::vector<INMEventHandler*> listeners_;
};

// Asks each phonebook's mapping in turn; an exact match wins at once. Children may be added
// while another thread looks up.
class CNameMapping : public CNameMappingBase, public INMEventHandler {
public:
    void Lookup(std::u16string& name, const std::u16string& number,
                std::u16string& matched) override;
    void AddChild(CNameMappingBase* child);
    // Takes out a child that is about to be destroyed; once this returns, no lookup or
    // notice of the composite reaches it.
    void RemoveChild(CNameMappingBase* child);
    void OnNameMappingChanged() override { NotifyListeners(); }

private:
    std::mutex children_mutex_;  // children_
    std::vector<CNameMappingBase*> children_;
};

}  // namespace dedevev
