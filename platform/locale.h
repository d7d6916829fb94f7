// The user's locale and the system's ANSI code page, for texts the program builds itself.
#pragma once

#include <string>

namespace torvexa {

class LocaleApi {
  public:
    virtual ~LocaleApi() = default;
    // The user's digit-group separator (GetLocaleInfo with LOCALE_STHOUSAND), "," or "." say.
    virtual std::wstring ThousandSeparator() = 0;
    // The text in upper case as the system maps it (CharUpperBuff).
    virtual std::wstring UpperCase(const std::wstring& text) = 0;
    // Bytes in the system's ANSI code page as Unicode text (MultiByteToWideChar with CP_ACP).
    virtual std::wstring FromAnsiCodePage(const std::string& bytes) = 0;
};

}  // namespace torvexa
