// Fixed-width, blank-padded text fields without terminators, with 1-based character positions.
#ifndef VIRU4DEDUZ_COMMON_FIXED_TEXT_H_
#define VIRU4DEDUZ_COMMON_FIXED_TEXT_H_

#include <string>
#include <string_view>

namespace viru4deduz {

// Characters i1..i2 of dest := characters k..k+i2-i1 of src, one by one; nothing when i2 < i1.
// Positions outside either field are left alone (dest) or read as blanks (src).
void CopySubstring(char* dest, int destWidth, const char* src, int srcWidth, int i1, int i2, int k);

// Characters i1..i2 of field := blanks (positions outside the field are left alone).
void BlankFill(char* field, int width, int i1, int i2);

// The length of the first n characters of field (counted up to the first NUL byte if there is
// one) without trailing white space: blank, tab, line feed, vertical tab, form feed, return.
int TrimmedLength(const char* field, int width, int n);

// The field's text without trailing white space, as a string.
std::string TrimmedText(const char* field, int width);

// Copies text into field, cut to width and blank-padded.
void SetField(char* field, int width, std::string_view text);

}  // namespace viru4deduz

#endif  // VIRU4DEDUZ_COMMON_FIXED_TEXT_H_
