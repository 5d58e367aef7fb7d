#include "device/null/NullObjects.h"

namespace dedevev {

const CardContact& CNullPhonebook::GetAt(int) {
    static const CardContact kEmpty;
    return kEmpty;
}

}  // namespace dedevev
