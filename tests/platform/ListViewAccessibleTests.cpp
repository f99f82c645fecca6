// A list's rows as assistive technology reads them: named by their text, described by
// the word of the icon each shows at the moment of asking.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "platform/Accessible.h"
#include "platform/ComPtr.h"
#include "platform/Handles.h"
#include "platform/ListView.h"
#include "platform/WinText.h"
#include "support/AccessibleSupport.h"

namespace {

using vt::test::Child;

std::string Description(IAccessible* acc, LONG id, HRESULT* hrOut = nullptr) {
    BSTR s = nullptr;
    HRESULT hr = acc->get_accDescription(Child(id), &s);
    if (hrOut) *hrOut = hr;
    std::string out = s ? vt::Narrow(std::wstring(s, ::SysStringLen(s))) : std::string();
    ::SysFreeString(s);
    return out;
}

std::string Name(IAccessible* acc, LONG id) {
    BSTR s = nullptr;
    acc->get_accName(Child(id), &s);
    std::string out = s ? vt::Narrow(std::wstring(s, ::SysStringLen(s))) : std::string();
    ::SysFreeString(s);
    return out;
}

class ListRows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com.ok());
        parent.reset(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(parent);
        ASSERT_TRUE(list.Create(parent.get(), 1, RECT{0, 0, 400, 300}));
        list.AddColumn("Nome", 200);
        list.ImageDescriptions({"Nessun giudizio", "Affidabile", "Infetto", "Obiettivo di infezione", "Sconosciuto"});
    }
    vt::ComPtr<IAccessible> Object() {
        vt::ComPtr<IAccessible> acc;
        EXPECT_EQ(::AccessibleObjectFromWindow(list.hwnd(), static_cast<DWORD>(OBJID_CLIENT), vt::kIidIAccessible,
                                               acc.put_void()),
                  S_OK);
        return acc;
    }

    vt::ComScope com;
    vt::UniqueHWnd parent;
    vt::ListView list;
};

TEST_F(ListRows, EachRowIsDescribedByTheWordOfItsIcon) {
    const struct {
        const char* text;
        int image;
        const char* word;
    } rows[] = {
        {"nessuno.exe", 0, "Nessun giudizio"}, {"services.exe", 1, "Affidabile"},
        {"svch0st.exe", 2, "Infetto"},         {"userinit.exe", 3, "Obiettivo di infezione"},
        {"ignoto.exe", 4, "Sconosciuto"},      {"oltre.exe", 5, ""},  // an icon without a word
    };
    for (const auto& r : rows) list.AddRow(r.text, r.image);
    // The list's description source, whichever the system offered, for the record.
    RecordProperty("annotated", list.DescriptionsAnnotated() ? "yes" : "no");

    vt::ComPtr<IAccessible> acc = Object();
    ASSERT_TRUE(acc);
    long count = 0;
    ASSERT_EQ(acc->get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 6);
    for (LONG id = 1; id <= 6; ++id) {
        const auto& r = rows[id - 1];
        SCOPED_TRACE(r.text);
        EXPECT_EQ(Name(acc.get(), id), r.text);
        HRESULT hr = S_OK;
        EXPECT_EQ(Description(acc.get(), id, &hr), r.word);
        EXPECT_EQ(hr, *r.word ? S_OK : S_FALSE);
        VARIANT role;
        ::VariantInit(&role);
        ASSERT_EQ(acc->get_accRole(Child(id), &role), S_OK);
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_LISTITEM);
    }

    // The word follows the icon the row shows now (a grade that arrives later).
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 0;
    item.iImage = 2;
    ASSERT_TRUE(ListView_SetItem(list.hwnd(), &item));
    EXPECT_EQ(Description(acc.get(), 1), "Infetto");

    // The selected row is the selection, with its state.
    list.Select(3);
    VARIANT sel;
    ::VariantInit(&sel);
    ASSERT_EQ(acc->get_accSelection(&sel), S_OK);
    EXPECT_EQ(sel.lVal, 4);
    VARIANT state;
    ::VariantInit(&state);
    ASSERT_EQ(acc->get_accState(Child(4), &state), S_OK);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_SELECTED);
    ASSERT_EQ(acc->get_accState(Child(3), &state), S_OK);
    EXPECT_FALSE(state.lVal & STATE_SYSTEM_SELECTED);

    // A cleared list has no rows to describe; ids past the end are refused.
    list.Clear();
    ASSERT_EQ(acc->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    HRESULT hr = S_OK;
    EXPECT_EQ(Description(acc.get(), 1, &hr), "");
    EXPECT_EQ(hr, E_INVALIDARG);
}

TEST_F(ListRows, HeldObjectFailsCleanlyOnceTheListIsGone) {
    list.AddRow("svch0st.exe", 2);
    vt::ComPtr<IAccessible> acc = Object();
    ASSERT_TRUE(acc);
    ASSERT_EQ(Description(acc.get(), 1), "Infetto");
    parent.reset();
    HRESULT hr = S_OK;
    EXPECT_EQ(Description(acc.get(), 1, &hr), "");
    if (list.DescriptionsAnnotated()) {
        EXPECT_TRUE(FAILED(hr));  // the system's own object, which has its own way of failing
    } else {
        EXPECT_EQ(hr, RPC_E_DISCONNECTED);
        long count = 5;
        EXPECT_EQ(acc->get_accChildCount(&count), RPC_E_DISCONNECTED);
    }
}

}  // namespace
