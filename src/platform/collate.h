// The word sort of the user locale (French, France) for Windows-1252 texts,
// as lstrcmpA and lstrcmpiA apply it: the rules live here, compiled on every
// platform, so that they can be held against the system's own comparison.
#pragma once

#include <string_view>

namespace platform::collate {

// Compares two 1252 texts with the word sort; answers <0, 0 or >0.
//  1. Letters and digits by their base form, without accents or case;
//     hyphen and apostrophe do not count here ("coop" sits with "co-op");
//     punctuation and symbols before digits, digits before letters;
//     "æ", "œ" and "ß" count as "ae", "oe" and "ss".
//  2. Then accents, from the first character on (none < acute < grave <
//     circumflex < caron < ring < diaeresis < tilde < stroke < cedilla).
//  3. Then case, lower case first (unless ignoreCase).
//  4. Last, the hyphens and apostrophes: a text without them first, then
//     by their positions.
int CompareWordSort(std::string_view a, std::string_view b, bool ignoreCase);

// The same word sort for UTF-8 texts. Characters that 1252 holds weigh as
// above; the letters of Latin Extended-A (Polish, Czech, Turkish, ...) are
// their base letter with an accent (macron < breve < ogonek < dot above <
// double acute come after the accents above); a combining accent gives its
// accent to the letter before it, so that a decomposed "e" + U+0301 sorts
// as the composed "é"; every other character comes after the Latin
// letters, by its folded code point, upper case after lower case.
int CompareWordSortUtf8(std::string_view a, std::string_view b, bool ignoreCase);

}  // namespace platform::collate
