#include "manage/layout_history.h"

#include "actions/action_result.h"
#include "app/console_output.h"
#include "store/layout_versions.h"
#include "text/local_time.h"

namespace {

const wchar_t* Plural(size_t count) { return count == 1 ? L"" : L"s"; }

}  // namespace

int ShowLayoutHistory(const wchar_t* givenName) {
    WString keptName;
    if (givenName[0] == L'\0') {
        for (const WString& name : VersionedLayoutNames()) {
            const std::vector<LayoutVersion> versions = LoadLayoutVersions(name.Text(), keptName);
            if (!versions.empty()) {
                // Names are at most 255 characters: the line fits a formatted text.
                Print(OutputStream::Out, L"%s\t%d version%s\t%s\n", name.Text(), static_cast<int>(versions.size()),
                      Plural(versions.size()), LocalTimeText(versions.front().kept).Text());
            }
        }
        return kActionDone;
    }
    const std::vector<LayoutVersion> versions = LoadLayoutVersions(givenName, keptName);
    if (versions.empty()) {
        // Joined, not formatted: a name from /n can be longer than a formatted text.
        WString message(L"No versions are kept of the layout ");
        message.Append(givenName);
        message.Append(L".\n");
        PrintText(OutputStream::Err, message.Text());
        return kActionNotDone;
    }
    for (size_t index = 0; index < versions.size(); ++index) {
        const LayoutVersion& version = versions[index];
        Print(OutputStream::Out, L"%d\t%s\t%d icon%s\t%s\n", static_cast<int>(index + 1),
              LocalTimeText(version.kept).Text(), static_cast<int>(version.records.size()),
              Plural(version.records.size()), version.replacedBy.Text());
    }
    return kActionDone;
}
