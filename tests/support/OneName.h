#pragma once
// A name mapping that knows one contact: "Ann" for the number 0811.

#include <string>

#include "phonebook/NameMapping.h"

namespace dedevev::test {

class OneName final : public CNameMappingBase {
public:
    void Lookup(std::u16string& name, const std::u16string& number, std::u16string&) override {
        name = number == u"0811" ? u"Ann" : u"";
    }
};

}  // namespace dedevev::test
