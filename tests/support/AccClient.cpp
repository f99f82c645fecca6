// A stand-in screen reader for the tests: it reads another process's windows through
// their accessible objects. One request per line on stdin, one answer per line on
// stdout ("hr=XXXXXXXX" and the result), so the test can drive it step by step and hold
// an object across the closing of the window it came from.
//   open HWND          AccessibleObjectFromWindow(OBJID_CLIENT), kept for what follows
//   count              child count
//   name|desc|shortcut|action N   texts of child N (0 = the object itself), UTF-8
//   role|state N       numbers
//   loc N              screen rectangle: left top width height
//   press N            accDoDefaultAction
//   hit X Y            accHitTest at a screen point: the child id
//   quit
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr IID kIidIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string Utf8(BSTR s) {
    if (!s) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(::SysStringLen(s)), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(::SysStringLen(s)), out.data(), n, nullptr, nullptr);
    return out;
}

void Answer(HRESULT hr, const std::string& rest = {}) {
    std::printf("hr=%08lx%s%s\n", static_cast<unsigned long>(hr), rest.empty() ? "" : " ", rest.c_str());
    std::fflush(stdout);
}

VARIANT Child(long id) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* acc = nullptr;
    char line[512];
    while (std::fgets(line, sizeof(line), stdin)) {
        char cmd[32] = {};
        long a = 0, b = 0;
        unsigned long long handle = 0;
        std::sscanf(line, "%31s", cmd);
        const std::string c = cmd;
        if (c == "quit") break;
        if (c == "open") {
            std::sscanf(line, "%*s %llx", &handle);
            if (acc) acc->Release();
            acc = nullptr;
            HRESULT hr = ::AccessibleObjectFromWindow(reinterpret_cast<HWND>(static_cast<INT_PTR>(handle)),
                                                      static_cast<DWORD>(OBJID_CLIENT), kIidIAccessible,
                                                      reinterpret_cast<void**>(&acc));
            Answer(hr);
            continue;
        }
        if (!acc) {
            Answer(E_POINTER, "no object");
            continue;
        }
        std::sscanf(line, "%*s %ld %ld", &a, &b);
        if (c == "count") {
            long n = -1;
            HRESULT hr = acc->get_accChildCount(&n);
            Answer(hr, std::to_string(n));
        } else if (c == "name" || c == "desc" || c == "shortcut" || c == "action") {
            BSTR s = nullptr;
            VARIANT v = Child(a);
            HRESULT hr = c == "name"       ? acc->get_accName(v, &s)
                         : c == "desc"     ? acc->get_accDescription(v, &s)
                         : c == "shortcut" ? acc->get_accKeyboardShortcut(v, &s)
                                           : acc->get_accDefaultAction(v, &s);
            Answer(hr, Utf8(s));
            ::SysFreeString(s);
        } else if (c == "role" || c == "state") {
            VARIANT out;
            ::VariantInit(&out);
            HRESULT hr = c == "role" ? acc->get_accRole(Child(a), &out) : acc->get_accState(Child(a), &out);
            Answer(hr, out.vt == VT_I4 ? std::to_string(out.lVal) : std::string("vt") + std::to_string(out.vt));
            ::VariantClear(&out);
        } else if (c == "loc") {
            long l = 0, t = 0, w = 0, h = 0;
            HRESULT hr = acc->accLocation(&l, &t, &w, &h, Child(a));
            Answer(hr, std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(w) + " " + std::to_string(h));
        } else if (c == "press") {
            Answer(acc->accDoDefaultAction(Child(a)));
        } else if (c == "hit") {
            VARIANT out;
            ::VariantInit(&out);
            HRESULT hr = acc->accHitTest(a, b, &out);
            Answer(hr, out.vt == VT_I4 ? std::to_string(out.lVal) : std::string("vt") + std::to_string(out.vt));
            ::VariantClear(&out);
        } else {
            Answer(E_INVALIDARG, "unknown request");
        }
    }
    if (acc) acc->Release();
    ::CoUninitialize();
    return 0;
}
