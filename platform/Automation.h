#pragma once

// The few automation types the script bridge speaks in: result codes, member
// ids, call flags, interface ids and a value that is either nothing, a
// string or something else. The browser host turns page values into these
// and back; nothing here knows about any browser.

#include <array>
#include <cstdint>
#include <string>
#include <utility>

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);

using DISPID = int32_t;

inline constexpr DISPID DISPID_UNKNOWN = -1;

// Bits of the flags an invocation carries; a caller may set both.
inline constexpr uint16_t DISPATCH_METHOD = 1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 2;

// An interface id: 16 bytes, equal when every byte is.
struct GUID {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    std::array<uint8_t, 8> data4;

    friend bool operator==(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// An argument or result of an invocation. Only strings are ever read, so
// every other kind of page value is just "other".
class CVariant {
public:
    enum class Kind { Empty, String, Other };

    CVariant() = default;
    explicit CVariant(std::u16string text) : m_eKind(Kind::String), m_strText(std::move(text)) {}

    static CVariant MakeOther() {
        CVariant v;
        v.m_eKind = Kind::Other;
        return v;
    }

    Kind GetKind() const { return m_eKind; }
    bool IsString() const { return m_eKind == Kind::String; }
    // The text of a string; empty for the other kinds.
    const std::u16string& GetString() const { return m_strText; }

    friend bool operator==(const CVariant&, const CVariant&) = default;

private:
    Kind m_eKind = Kind::Empty;
    std::u16string m_strText;
};
