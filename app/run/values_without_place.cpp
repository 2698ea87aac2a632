#include "app/run/values_without_place.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly {

namespace {

const std::string* textOf(const ContactRecord& record, std::string_view name) {
    for (const ContactSlot& slot : contactSlots())
        if (slot.text != nullptr && name == slot.name) return &(record.*slot.text);
    for (const ContactSlot& field : contactFields())
        if (name == field.name) return &(record.*field.text);
    return nullptr;
}

std::string entry(const CardPlace& place, long line, const std::string& property, const std::string& what) {
    std::string text = place.file + ":" + std::to_string(line) + ": card " + std::to_string(place.cardNumber) + ": ";
    text += property;
    if (!what.empty()) text += property.empty() ? what : " (" + what + ")";
    return text;
}

}  // namespace

void reportValuesWithoutPlace(const ContactRecord& record, const CardPlace& place,
                              std::span<const FieldWithoutPlace> fields, ReportKind kind, RunReport& report) {
    // In the order of their lines.
    std::vector<std::pair<long, std::string>> entries;
    for (const ContactRecord::Unplaced& left : record.unplaced)
        entries.emplace_back(left.line, entry(place, left.line, left.property, left.what));
    for (const FieldWithoutPlace& field : fields) {
        const std::string* value = textOf(record, field.field);
        if (value == nullptr || value->empty()) continue;
        const ContactRecord::Source* source = sourceOf(record, field.field);
        const long line = source != nullptr ? source->line : place.line;
        entries.emplace_back(line, entry(place, line, source != nullptr ? source->property : "", field.what));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, text] : entries) report.add(kind, 1, text);
}

}  // namespace tessaly
