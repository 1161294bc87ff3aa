// The BSTR and VARIANT values that device property bags hand out.
#include <gtest/gtest.h>

#include "platform/sdk/oleauto.h"
#include "platform/support/comobject.h"
#include "platform/support/comptr.h"
#include "platform/support/variant.h"

namespace {

using capspect::ComPtr;

using capspect::BstrToU16String;
using capspect::Variant;

class Counted final : public capspect::ComObject<IUnknown> {};

ULONG References(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

void SetText(VARIANT* value, const char16_t* text) {
    VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = SysAllocString(text);
}

std::u16string ConvertedText(const VARIANT& source, USHORT flags = 0) {
    Variant text;
    const HRESULT hr = VariantChangeType(text.get(), &source, flags, VT_BSTR);
    return SUCCEEDED(hr) ? BstrToU16String(text->bstrVal) : u"(failed)";
}

TEST(Bstr, KeepsItsLengthIncludingEmbeddedNuls) {
    const char16_t text[] = u"ab\0cd";
    const BSTR copy = SysAllocStringLen(text, 5);
    EXPECT_EQ(SysStringLen(copy), 5u);
    EXPECT_EQ(SysStringByteLen(copy), 10u);
    EXPECT_EQ(copy[5], u'\0');
    EXPECT_EQ(BstrToU16String(copy), std::u16string(text, 5));
    SysFreeString(copy);

    const BSTR odd = SysAllocStringByteLen("abc", 3);
    EXPECT_EQ(SysStringByteLen(odd), 3u);
    EXPECT_EQ(SysStringLen(odd), 1u);
    SysFreeString(odd);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(BstrToU16String(nullptr), u"");
    SysFreeString(nullptr);
    const BSTR zeroed = SysAllocStringLen(nullptr, 3);
    EXPECT_EQ(BstrToU16String(zeroed), std::u16string(3, u'\0'));
    SysFreeString(zeroed);
}

TEST(VariantValues, CopyAndClearOwnStringsAndReferences) {
    Variant text;
    SetText(text.get(), u"Camera");
    Variant copy;
    ASSERT_EQ(VariantCopy(copy.get(), text.get()), S_OK);
    EXPECT_NE(copy->bstrVal, text->bstrVal);
    EXPECT_EQ(BstrToU16String(copy->bstrVal), u"Camera");

    const ComPtr<Counted> object = capspect::MakeComObject<Counted>();
    Variant holder;
    holder->vt = VT_UNKNOWN;
    holder->punkVal = object.Get();
    object->AddRef();
    {
        Variant second;
        ASSERT_EQ(VariantCopy(second.get(), holder.get()), S_OK);
        EXPECT_EQ(References(object.Get()), 3u);
    }
    EXPECT_EQ(References(object.Get()), 2u);
    EXPECT_EQ(VariantClear(holder.get()), S_OK);
    EXPECT_EQ(holder->vt, VT_EMPTY);
    EXPECT_EQ(References(object.Get()), 1u);

    Variant unsupported;
    unsupported->vt = VT_DISPATCH;
    EXPECT_EQ(VariantCopy(copy.get(), unsupported.get()), DISP_E_BADVARTYPE);
    EXPECT_EQ(BstrToU16String(copy->bstrVal), u"Camera");
    unsupported->vt = VT_EMPTY;
}

TEST(VariantValues, NumbersAndBooleansBecomeText) {
    Variant value;
    value->vt = VT_I4;
    value->lVal = -42;
    EXPECT_EQ(ConvertedText(*value.get()), u"-42");
    value->vt = VT_UI4;
    value->ulVal = 4294967295u;
    EXPECT_EQ(ConvertedText(*value.get()), u"4294967295");
    value->vt = VT_I8;
    value->llVal = -9000000000LL;
    EXPECT_EQ(ConvertedText(*value.get()), u"-9000000000");
    value->vt = VT_R8;
    value->dblVal = 2.5;
    EXPECT_EQ(ConvertedText(*value.get()), u"2.5");
    value->vt = VT_BOOL;
    value->boolVal = VARIANT_TRUE;
    EXPECT_EQ(ConvertedText(*value.get()), u"-1");
    EXPECT_EQ(ConvertedText(*value.get(), VARIANT_ALPHABOOL), u"True");
    value->vt = VT_EMPTY;
    EXPECT_EQ(ConvertedText(*value.get()), u"");
    value->vt = VT_NULL;
    EXPECT_EQ(ConvertedText(*value.get()), u"(failed)");
    value->vt = VT_EMPTY;
}

TEST(VariantValues, TextBecomesNumbersWithRoundingAndRangeChecks) {
    Variant text;
    Variant number;
    const auto toI4 = [&](const char16_t* digits) {
        SetText(text.get(), digits);
        return VariantChangeType(number.get(), text.get(), 0, VT_I4);
    };
    ASSERT_EQ(toI4(u" 12 "), S_OK);
    EXPECT_EQ(number->vt, VT_I4);
    EXPECT_EQ(number->lVal, 12);
    ASSERT_EQ(toI4(u"12.5"), S_OK);
    EXPECT_EQ(number->lVal, 12);
    ASSERT_EQ(toI4(u"13.5"), S_OK);
    EXPECT_EQ(number->lVal, 14);
    ASSERT_EQ(toI4(u"+7"), S_OK);
    EXPECT_EQ(number->lVal, 7);
    // A failed conversion leaves the destination as it was.
    EXPECT_EQ(toI4(u"3000000000"), DISP_E_OVERFLOW);
    EXPECT_EQ(toI4(u"twelve"), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(toI4(u""), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(number->vt, VT_I4);
    EXPECT_EQ(number->lVal, 7);

    SetText(text.get(), u"-1");
    EXPECT_EQ(VariantChangeType(number.get(), text.get(), 0, VT_UI4), DISP_E_OVERFLOW);
    SetText(text.get(), u"FALSE");
    ASSERT_EQ(VariantChangeType(number.get(), text.get(), 0, VT_BOOL), S_OK);
    EXPECT_EQ(number->boolVal, VARIANT_FALSE);
}

TEST(VariantValues, ConvertsInPlace) {
    Variant value;
    value->vt = VT_I2;
    value->iVal = 300;
    ASSERT_EQ(VariantChangeType(value.get(), value.get(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(BstrToU16String(value->bstrVal), u"300");
    ASSERT_EQ(VariantChangeType(value.get(), value.get(), 0, VT_BSTR), S_OK);
    EXPECT_EQ(BstrToU16String(value->bstrVal), u"300");
    EXPECT_EQ(VariantChangeType(value.get(), value.get(), 0, VT_UI1), DISP_E_OVERFLOW);
    EXPECT_EQ(value->vt, VT_BSTR);
    ASSERT_EQ(VariantChangeType(value.get(), value.get(), 0, VT_I4), S_OK);
    EXPECT_EQ(value->lVal, 300);
}

}  // namespace
