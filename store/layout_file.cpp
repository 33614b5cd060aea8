#include "store/layout_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "store/layout_store.h"
#include "store/reg_key.h"
#include "text/utf8.h"

namespace {

using Json = nlohmann::json;
// Written with its fields in the documented order, which a reader editing the
// file by hand expects.
using OrderedJson = nlohmann::ordered_json;

constexpr char kFormatName[] = "Kelvane layouts";
constexpr int kFormatVersion = 1;
constexpr size_t kMaxKeyLength = kNameBufferLength - 1;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring Field(const char* name) {
    std::wstring wide;
    for (const char* c = name; *c != '\0'; ++c) {
        wide += static_cast<wchar_t>(*c);
    }
    return Quoted(wide);
}

// The place of a problem, followed by the problem, as one line.
class Place {
public:
    explicit Place(std::wstring where) : where_(std::move(where)) {}
    Place Within(const std::wstring& part) const { return Place(where_ + L", " + part); }
    Place Named(const std::wstring& name) const { return Place(where_ + L" (" + Quoted(name) + L")"); }
    bool Fail(std::wstring& problem, const std::wstring& what) const {
        problem = where_ + L": " + what;
        return false;
    }

private:
    std::wstring where_;
};

// The object holds the listed fields and no others.
bool HasExactly(const Json& object, std::initializer_list<const char*> fields, const Place& place,
                std::wstring& problem) {
    if (!object.is_object()) {
        return place.Fail(problem, L"Not an object.");
    }
    for (const char* field : fields) {
        if (!object.contains(field)) {
            return place.Fail(problem, Field(field) + L" is missing.");
        }
    }
    for (const auto& member : object.items()) {
        if (std::none_of(fields.begin(), fields.end(), [&](const char* field) { return member.key() == field; })) {
            std::wstring name;
            if (!FromUtf8(member.key(), name)) name = L"?";
            return place.Fail(problem, L"Unknown field " + Quoted(name) + L".");
        }
    }
    return true;
}

bool GetText(const Json& object, const char* field, size_t maxLength, const Place& place, std::wstring& text,
             std::wstring& problem) {
    const Json& value = object.at(field);
    if (!value.is_string() || !FromUtf8(value.get<std::string>(), text)) {
        return place.Fail(problem, Field(field) + L" is not a string.");
    }
    if (text.find(L'\0') != std::wstring::npos) {
        return place.Fail(problem, Field(field) + L" holds a zero character.");
    }
    if (text.size() > maxLength) {
        return place.Fail(problem, Field(field) + L" is longer than " + std::to_wstring(maxLength) + L" characters.");
    }
    return true;
}

template <typename Integer>
bool GetInteger(const Json& object, const char* field, const wchar_t* holder, const Place& place, Integer& result,
                std::wstring& problem) {
    const Json& value = object.at(field);
    if (!value.is_number_integer()) {
        return place.Fail(problem, Field(field) + L" is not a whole number.");
    }
    const long long low = std::numeric_limits<Integer>::min();
    const long long high = std::numeric_limits<Integer>::max();
    const bool inRange = value.is_number_unsigned()
                             ? value.get<unsigned long long>() <= static_cast<unsigned long long>(high)
                             : value.get<long long>() >= low && value.get<long long>() <= high;
    if (!inRange) {
        return place.Fail(problem, Field(field) + L" is outside " + std::to_wstring(low) + L" to " +
                                       std::to_wstring(high) + L", the range " + holder + L" holds.");
    }
    result = static_cast<Integer>(value.get<long long>());
    return true;
}

// The icon's x and y, each within the range of the record that holds them.
template <typename Integer>
bool GetPosition(const Json& icon, const wchar_t* holder, const Place& place, Integer& x, Integer& y,
                 std::wstring& problem) {
    return GetInteger(icon, "x", holder, place, x, problem) && GetInteger(icon, "y", holder, place, y, problem);
}

bool ReadIcon(const Json& icon, const Place& at, IconRecord& record, std::wstring& problem) {
    if (!HasExactly(icon, {"key", "text", "x", "y", "textOnly"}, at, problem)) {
        return false;
    }
    std::wstring key;
    if (!GetText(icon, "key", kMaxKeyLength, at, key, problem)) {
        return false;
    }
    const Place place = at.Named(key);
    std::wstring text;
    if (!GetText(icon, "text", kMaxDisplayTextLength, place, text, problem)) {
        return false;
    }
    if (!icon.at("textOnly").is_boolean()) {
        return place.Fail(problem, Field("textOnly") + L" is not true or false.");
    }
    if (!icon.at("textOnly").get<bool>()) {
        // An empty name is the key's default value, which a save never writes.
        if (key.empty()) {
            return place.Fail(problem, L"The key of an icon that is not text-only cannot be empty.");
        }
        int32_t x = 0;
        int32_t y = 0;
        if (!GetPosition(icon, L"an icon's record", place, x, y, problem)) {
            return false;
        }
        record.Set(key.c_str(), text.c_str(), x, y);
        return true;
    }
    // The record is named by its text: a key of its own would be lost.
    if (key != text) {
        return place.Fail(problem, L"A text-only icon's key must equal its text.");
    }
    int16_t x = 0;
    int16_t y = 0;
    if (!GetPosition(icon, L"a text-only record", place, x, y, problem)) {
        return false;
    }
    record.SetTextOnly(text.c_str(), x, y);
    return true;
}

// The first name that the registry takes for an earlier one, with its index and
// the earlier one's; false when all differ.
template <typename NameOf>
bool FindRegistryTwin(size_t count, NameOf nameOf, size_t& later, size_t& earlier) {
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t left, size_t right) { return CompareRegistryNames(nameOf(left), nameOf(right)) < 0; });
    bool found = false;
    for (size_t i = 1; i < order.size(); ++i) {
        if (CompareRegistryNames(nameOf(order[i - 1]), nameOf(order[i])) == 0 && (!found || order[i] < later)) {
            found = true;
            earlier = order[i - 1];
            later = order[i];
        }
    }
    return found;
}

// A rectangle as four whole numbers, left, top, right and bottom, with width and height.
bool ReadRect(const Json& monitor, const char* field, const Place& place, RECT& rect, std::wstring& problem) {
    const Json& value = monitor.at(field);
    if (!value.is_array() || value.size() != 4) {
        return place.Fail(problem, Field(field) + L" is not a list of four numbers.");
    }
    const Json sides = {{"left", value[0]}, {"top", value[1]}, {"right", value[2]}, {"bottom", value[3]}};
    int32_t edges[4] = {};
    const char* names[] = {"left", "top", "right", "bottom"};
    for (size_t side = 0; side < 4; ++side) {
        if (!GetInteger(sides, names[side], L"a screen coordinate", place.Within(Field(field)), edges[side], problem)) {
            return false;
        }
    }
    rect = {edges[0], edges[1], edges[2], edges[3]};
    if (rect.right <= rect.left || rect.bottom <= rect.top) {
        return place.Fail(problem, Field(field) + L" has no width or no height.");
    }
    return true;
}

// The monitors a layout was saved on: each with its rectangle, a work area
// inside it, and exactly one of them primary.
bool ReadDisplay(const Json& monitors, const Place& at, DisplayConfig& display, std::wstring& problem) {
    if (!monitors.is_array() || monitors.empty()) {
        return at.Fail(problem, Field("display") + L" is not a list of monitors.");
    }
    int primaries = 0;
    for (size_t index = 0; index < monitors.size(); ++index) {
        const Place place = at.Within(L"monitor " + std::to_wstring(index + 1));
        const Json& monitor = monitors[index];
        MonitorArea area = {};
        if (!HasExactly(monitor, {"monitor", "work", "primary"}, place, problem) ||
            !ReadRect(monitor, "monitor", place, area.monitor, problem) ||
            !ReadRect(monitor, "work", place, area.work, problem)) {
            return false;
        }
        if (area.work.left < area.monitor.left || area.work.top < area.monitor.top ||
            area.work.right > area.monitor.right || area.work.bottom > area.monitor.bottom) {
            return place.Fail(problem, Field("work") + L" is not inside the monitor.");
        }
        if (!monitor.at("primary").is_boolean()) {
            return place.Fail(problem, Field("primary") + L" is not true or false.");
        }
        area.primary = monitor.at("primary").get<bool>();
        primaries += area.primary ? 1 : 0;
        display.push_back(area);
    }
    if (primaries != 1) {
        return at.Fail(problem, L"Not exactly one monitor of the display is primary.");
    }
    return true;
}

bool ReadLayout(const Json& entry, const Place& at, FileLayout& layout, std::wstring& problem) {
    const bool withDisplay = entry.is_object() && entry.contains("display");
    if (!(withDisplay ? HasExactly(entry, {"name", "icons", "display"}, at, problem)
                      : HasExactly(entry, {"name", "icons"}, at, problem))) {
        return false;
    }
    std::wstring name;
    if (!GetText(entry, "name", std::numeric_limits<size_t>::max(), at, name, problem)) {
        return false;
    }
    const Place place = at.Named(name);
    if (name.empty()) {
        return place.Fail(problem, L"A layout name cannot be empty.");
    }
    if (const wchar_t* nameProblem = LayoutNameProblem(name.c_str())) {
        return place.Fail(problem, nameProblem);
    }
    layout.name.Assign(name.c_str());
    const Json& icons = entry.at("icons");
    if (!icons.is_array()) {
        return place.Fail(problem, Field("icons") + L" is not a list.");
    }
    for (size_t index = 0; index < icons.size(); ++index) {
        IconRecord record;
        if (!ReadIcon(icons[index], place.Within(L"icon " + std::to_wstring(index + 1)), record, problem)) {
            return false;
        }
        layout.icons.push_back(record);
    }
    if (withDisplay && !ReadDisplay(entry.at("display"), place, layout.display, problem)) {
        return false;
    }
    size_t later = 0;
    size_t earlier = 0;
    const auto valueName = [&](size_t index) { return layout.icons[index].ValueName(); };
    if (FindRegistryTwin(layout.icons.size(), valueName, later, earlier)) {
        return place.Within(L"icon " + std::to_wstring(later + 1))
            .Named(valueName(later))
            .Fail(problem, L"The registry takes its key for that of icon " + std::to_wstring(earlier + 1) + L".");
    }
    return true;
}

// Line and column (in characters) of the byte at an offset.
std::wstring SyntaxPlace(const std::string& bytes, size_t offset) {
    offset = std::min(offset, bytes.size());
    size_t line = 1;
    size_t column = 1;
    for (size_t at = 0; at < offset; ++at) {
        const unsigned char byte = static_cast<unsigned char>(bytes[at]);
        if (byte == '\n') {
            ++line;
            column = 1;
        } else if ((byte & 0xC0) != 0x80) {
            ++column;
        }
    }
    return L"line " + std::to_wstring(line) + L", column " + std::to_wstring(column);
}

}  // namespace

bool FileCanCarry(const WString& text) {
    std::string utf8;
    return ToUtf8(text.Text(), utf8);
}

bool FormatLayoutFile(const std::vector<FileLayout>& layouts, std::string& bytes) {
    const auto utf8 = [](const WString& text, std::string& converted) { return ToUtf8(text.Text(), converted); };
    OrderedJson entries = OrderedJson::array();
    std::string name;
    std::string key;
    std::string text;
    for (const FileLayout& layout : layouts) {
        if (!utf8(layout.name, name)) {
            return false;
        }
        OrderedJson icons = OrderedJson::array();
        for (const IconRecord& record : layout.icons) {
            if (!utf8(record.keyName, key) || !utf8(record.displayText, text)) {
                return false;
            }
            OrderedJson icon;
            icon["key"] = key;
            icon["text"] = text;
            icon["x"] = record.x;
            icon["y"] = record.y;
            icon["textOnly"] = record.textOnly;
            icons.push_back(std::move(icon));
        }
        OrderedJson entry;
        entry["name"] = name;
        entry["icons"] = std::move(icons);
        if (!layout.display.empty()) {
            OrderedJson monitors = OrderedJson::array();
            for (const MonitorArea& area : layout.display) {
                const auto edges = [](const RECT& rect) {
                    return OrderedJson::array({rect.left, rect.top, rect.right, rect.bottom});
                };
                OrderedJson monitor;
                monitor["monitor"] = edges(area.monitor);
                monitor["work"] = edges(area.work);
                monitor["primary"] = area.primary;
                monitors.push_back(std::move(monitor));
            }
            entry["display"] = std::move(monitors);
        }
        entries.push_back(std::move(entry));
    }
    OrderedJson file;
    file["format"] = kFormatName;
    file["version"] = kFormatVersion;
    file["layouts"] = std::move(entries);
    try {
        bytes = file.dump(2) + "\n";
    } catch (const OrderedJson::exception&) {
        return false;
    }
    return true;
}

bool ParseLayoutFile(const std::string& bytes, std::vector<FileLayout>& layouts, std::wstring& problem) {
    layouts.clear();
    static const std::string kByteOrderMark = "\xEF\xBB\xBF";
    const size_t start = bytes.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;
    const std::string text = bytes.substr(start);
    try {
        const Json root = Json::parse(text);
        const Place file(L"The file");
        if (!HasExactly(root, {"format", "version", "layouts"}, file, problem)) {
            return false;
        }
        if (!root.at("format").is_string() || root.at("format").get<std::string>() != kFormatName) {
            return file.Fail(problem, Field("format") + L" is not \"Kelvane layouts\".");
        }
        if (!root.at("version").is_number_integer() || root.at("version").get<long long>() != kFormatVersion) {
            return file.Fail(problem, Field("version") + L" is not 1.");
        }
        const Json& entries = root.at("layouts");
        if (!entries.is_array()) {
            return file.Fail(problem, Field("layouts") + L" is not a list.");
        }
        for (size_t index = 0; index < entries.size(); ++index) {
            FileLayout layout;
            if (!ReadLayout(entries[index], Place(L"Layout " + std::to_wstring(index + 1)), layout, problem)) {
                return false;
            }
            layouts.push_back(std::move(layout));
        }
    } catch (const Json::parse_error& error) {
        // The library counts the bytes read up to and including the one it stopped at.
        problem = SyntaxPlace(text, error.byte > 0 ? error.byte - 1 : 0) + L": The file is not valid JSON.";
        return false;
    } catch (const Json::exception&) {
        problem = L"The file is not a layout file.";
        return false;
    }
    size_t later = 0;
    size_t earlier = 0;
    const auto nameOf = [&](size_t index) { return layouts[index].name.Text(); };
    if (FindRegistryTwin(layouts.size(), nameOf, later, earlier)) {
        return Place(L"Layout " + std::to_wstring(later + 1))
            .Named(nameOf(later))
            .Fail(problem, L"The registry takes its name for that of layout " + std::to_wstring(earlier + 1) + L".");
    }
    return true;
}
