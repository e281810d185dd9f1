#pragma once
#include "ScratchFolder.h"

#include <string>

// Switches LC_NUMERIC to a locale that writes a decimal comma, as a Catalan desktop does (Qt
// applications take the desktop's locale at start). The locale is compiled into a temporary
// folder with localedef, so the machine needs none installed; Active is false when that is not
// possible. The previous numeric locale comes back when the object goes.
class CCommaLocale {
public:
    CCommaLocale();
    ~CCommaLocale();
    bool Active = false;

private:
    CScratchFolder Folder;
    std::string Previous;
};
