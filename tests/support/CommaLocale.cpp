#include "CommaLocale.h"

#include <clocale>
#include <cstdlib>

CCommaLocale::CCommaLocale() {
    const std::string name = "ca_ES.UTF-8";
    const std::string make =
        "localedef -i ca_ES -f UTF-8 '" + (Folder / name) + "' >/dev/null 2>&1";
    if (!Folder.Path().empty())
        (void)std::system(make.c_str());
    Previous = std::setlocale(LC_NUMERIC, nullptr);
    setenv("LOCPATH", Folder.Path().c_str(), 1);
    Active = std::setlocale(LC_NUMERIC, name.c_str()) != nullptr &&
             std::localeconv()->decimal_point[0] == ',';
}

CCommaLocale::~CCommaLocale() {
    std::setlocale(LC_NUMERIC, Previous.c_str());
    unsetenv("LOCPATH");
}
