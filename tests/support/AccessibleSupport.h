// What the in-process accessibility tests pass as a client would.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include "platform/Accessible.h"

namespace vt::test {

// A child identifier as a client passes it: VT_I4.
inline VARIANT Child(LONG id) {
    VARIANT v;
    ::VariantInit(&v);
    SetI4(&v, id);
    return v;
}

}  // namespace vt::test
