#pragma once
#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder for one test, removed with everything in
// it when the object goes. Path() is empty when no folder could be made.
class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return Folder; }
    // The path of `name` inside the folder.
    std::string operator/(const std::string& name) const { return (Folder / name).string(); }

private:
    std::filesystem::path Folder;
};
