#pragma once
// Number-to-name lookup: every number the program shows goes through INameMapping.

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

class CNameMappingBase : public INameMapping {
public:
    void AddListener(INMEventHandler* listener) override;
    void RemoveListener(INMEventHandler* listener) override;

protected:
    void NotifyListeners();

private:
    std::vector<INMEventHandler*> listeners_;
};

// Asks each phonebook's mapping in turn; an exact match wins at once.
class CNameMapping : public CNameMappingBase, public INMEventHandler {
public:
    void Lookup(std::u16string& name, const std::u16string& number,
                std::u16string& matched) override;
    void AddChild(CNameMappingBase* child);
    void OnNameMappingChanged() override { NotifyListeners(); }

private:
    std::vector<CNameMappingBase*> children_;
};

}  // namespace dedevev
