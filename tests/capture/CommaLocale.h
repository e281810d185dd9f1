#pragma once
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

// Switches LC_NUMERIC to a locale that writes a decimal comma, as a Catalan desktop does (Qt
// applications take the desktop's locale at start). The locale is compiled into a temporary
// folder with localedef, so the machine needs none installed; false when that is not possible.
// The previous numeric locale comes back when the object goes.
class CCommaLocale {
public:
    CCommaLocale() {
        namespace fs = std::filesystem;
        std::string folder = (fs::temp_directory_path() / "quelta-locale-XXXXXX").string();
        if (mkdtemp(folder.data()))
            Folder = folder;
        const std::string name = "ca_ES.UTF-8";
        const std::string make =
            "localedef -i ca_ES -f UTF-8 '" + Folder + "/" + name + "' >/dev/null 2>&1";
        if (!Folder.empty())
            (void)std::system(make.c_str());
        Previous = std::setlocale(LC_NUMERIC, nullptr);
        setenv("LOCPATH", Folder.c_str(), 1);
        Active = std::setlocale(LC_NUMERIC, name.c_str()) != nullptr &&
                 std::localeconv()->decimal_point[0] == ',';
    }
    ~CCommaLocale() {
        std::setlocale(LC_NUMERIC, Previous.c_str());
        unsetenv("LOCPATH");
        std::error_code ignored;
        if (!Folder.empty())
            std::filesystem::remove_all(Folder, ignored);
    }
    bool Active = false;

private:
    std::string Folder;
    std::string Previous;
};
