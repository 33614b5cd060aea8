#pragma once

#include <string>
#include <vector>

// Empty files placed straight into the user's Desktop directory, where the
// desktop folder (and so a --shell-desktop fixture) shows them; deleted again
// when the object goes. A name that already exists there is an error rather
// than something to overwrite and later delete.
class DesktopFiles {
public:
    explicit DesktopFiles(const std::vector<std::wstring>& fileNames);
    ~DesktopFiles();

    DesktopFiles(const DesktopFiles&) = delete;
    DesktopFiles& operator=(const DesktopFiles&) = delete;

    std::wstring PathOf(const std::wstring& fileName) const;

private:
    std::wstring folder_;
    std::vector<std::wstring> created_;
};
