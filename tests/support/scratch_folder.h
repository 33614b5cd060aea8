#pragma once

#include <string>
#include <vector>

enum class ScratchLocation {
    Temp,     // the prefix's temporary folder
    Desktop,  // the user's Desktop directory (CSIDL_DESKTOPDIRECTORY)
};

// A fresh, uniquely named folder holding empty files with the given names
// (any Unicode), removed with everything in it when the object goes.
// Throws std::runtime_error when it cannot be made.
class ScratchFolder {
public:
    ScratchFolder(ScratchLocation location, const std::vector<std::wstring>& fileNames);
    ~ScratchFolder();

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring PathOf(const std::wstring& fileName) const { return path_ + L"\\" + fileName; }

    // Creates or replaces a file in the folder with `text` encoded as UTF-8.
    void WriteTextFile(const std::wstring& fileName, const std::wstring& text) const;

private:
    std::wstring path_;
};
