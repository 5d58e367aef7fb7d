#pragma once
// Random telephone numbers over a few digits, so that numbers often end one another, and the
// plain walk over a phonebook's entries that the name mappings must agree with.

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "phonebook/NameMappingPB.h"

namespace dedevev::test {

using Answer = std::pair<std::u16string, std::u16string>;  // name, matched

struct RandomNumbers {
    std::mt19937 random{20261209};
    int alphabet = 2;

    int Below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    std::u16string Digits(int length) {
        std::u16string s;
        for (int i = 0; i < length; ++i)
            s += static_cast<char16_t>(u'0' + Below(alphabet));
        return s;
    }
    // 1 to 16 characters, sometimes with "+".
    std::u16string Number() { return (Below(5) == 0 ? u"+" : u"") + Digits(1 + Below(16)); }
    // A number near `base`: one of its ends, a longer form, itself, ten characters, or another.
    std::u16string QueryNear(const std::u16string& base) {
        switch (Below(5)) {
            case 0:
                return base.substr(
                    static_cast<std::size_t>(Below(static_cast<int>(base.size()) + 1)));
            case 1:
                return (Below(2) ? u"+" : u"") + Digits(1 + Below(8)) + base;
            case 2:
                return base;
            case 3:
                return base.size() >= 10 ? base.substr(base.size() - 10)
                                         : Digits(10 - static_cast<int>(base.size())) + base;
            default:
                return Number();
        }
    }
};

inline Answer Walk(const std::vector<NumberIndex::Entry>& entries, bool exact,
                   const std::u16string& query) {
    NumberIndex walk(exact);
    for (const NumberIndex::Entry& entry : entries)
        walk.Insert(walk.Count(), entry);
    Answer a;
    walk.Scan(query, &a.first, &a.second);
    return a;
}

inline Answer Ask(INameMapping& mapping, const std::u16string& query) {
    Answer a;
    mapping.Lookup(a.first, query, a.second);
    return a;
}

}  // namespace dedevev::test
