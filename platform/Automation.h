#pragma once

// The few automation types the script bridge speaks in: result codes, member
// ids, call flags and a value that is either nothing, a string or something
// else. The browser host turns page values into these and back; nothing here
// knows about any browser.

#include <cstdint>
#include <string>
#include <utility>

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);

using DISPID = int32_t;

inline constexpr DISPID DISPID_UNKNOWN = -1;

// Bits of the flags an invocation carries; a caller may set both.
inline constexpr uint16_t DISPATCH_METHOD = 1;
inline constexpr uint16_t DISPATCH_PROPERTYGET = 2;

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
