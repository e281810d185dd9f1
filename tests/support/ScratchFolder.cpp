#include "ScratchFolder.h"

#include <cstdlib>

CScratchFolder::CScratchFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "quelta-test-XXXXXX").string();
    if (mkdtemp(name.data()))
        Folder = name;
}

CScratchFolder::~CScratchFolder() {
    std::error_code ignored;
    if (!Folder.empty())
        std::filesystem::remove_all(Folder, ignored);
}
