#include "app/run/values_without_place.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly {

namespace {

std::string entry(const CardPlace& place, long line, std::string_view property, const std::string& what) {
    std::string text = place.file + ":" + std::to_string(line) + ": card " + std::to_string(place.cardNumber) + ": ";
    text += property;
    if (!what.empty()) text += property.empty() ? what : " (" + what + ")";
    return text;
}

}  // namespace

void reportValuesWithoutPlace(const ContactRecord& record, const CardPlace& place,
                              std::span<const FieldWithoutPlace> fields, ReportKind kind, RunReport& report) {
    // Once the report keeps no further place of the kind, the values are
    // only counted.
    if (!report.keepsPlacesOf(kind)) {
        std::size_t count = record.unplaced.size();
        for (const FieldWithoutPlace& field : fields)
            if (field.member != nullptr && !(record.*field.member).empty()) ++count;
        if (count > 0) report.add(kind, count, "");
        return;
    }
    // In the order of their lines.
    std::vector<std::pair<long, std::string>> entries;
    for (const ContactRecord::Unplaced& left : record.unplaced)
        entries.emplace_back(left.line, entry(place, left.line, left.property, left.what));
    for (const FieldWithoutPlace& field : fields) {
        if (field.member == nullptr || (record.*field.member).empty()) continue;
        const ContactRecord::Source* source = sourceOf(record, field.field);
        const long line = source != nullptr ? source->line : place.line;
        entries.emplace_back(line, entry(place, line, source != nullptr ? source->property : std::string_view(), field.what));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, text] : entries) report.add(kind, 1, text);
}

}  // namespace tessaly
