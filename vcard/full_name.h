#pragma once
// A full name ("Dr. Jane Q. Public Jr.") split into the parts a contact keeps,
// the way Outlook splits a name typed into its Full Name box: for a card that
// gives its formatted name and no name parts.

#include <string>
#include <string_view>

namespace tessaly {

struct NameParts {
    std::string title, first, middle, last, suffix;
};

// Leading titles (Mr., Mrs., Ms., Miss, Dr., Prof. and the like, with or
// without the dot) and trailing suffixes (Jr., Sr., II, III, IV, PhD, MD,
// Esq. and the like) are taken off while a word of the name is left; then
// "Last, First Middle" when a comma is left, else the first word is the first
// name, the last word the last name and the words between the middle name.
// One word is the first name. A name in Chinese, Japanese or Korean script
// stays whole as the last name, or, written with a space, is family name
// first and given name after it.
NameParts splitFullName(std::string_view fullName);

}  // namespace tessaly
