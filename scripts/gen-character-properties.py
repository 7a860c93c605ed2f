#!/usr/bin/env python3
"""Rebuilds src/pel/base/CharacterPropertiesTable.cpp, the Unicode 4.0 character-property ranges.

Input: UnicodeData.txt and DerivedAge.txt of a current Unicode character database (Debian's
unicode-data package puts them in /usr/share/unicode; give another folder as the first argument).
Only code points that Unicode 4.0 had assigned keep a category; the categories that later versions
changed for those code points are set back to their 4.0 values (UNDO_LATER_CHANGES). Consecutive
code points with equal masks form one range; the table runs from U+0000 to U+FFFFE and must hold
exactly 1896 ranges, or the script fails without writing anything.
"""
import os
import sys

EXPECTED_RANGES = 1896
LAST_CODE_POINT = 0xFFFFE
UNICODE_4_0 = (4, 0)

# Categories that Unicode changed after 4.0.0 for code points 4.0 had already assigned, with the
# category they had in 4.0.0. Each entry names the version that changed it.
UNDO_LATER_CHANGES = {}


def undo(first, last, category, changed_in):
    for code_point in range(first, last + 1):
        UNDO_LATER_CHANGES[code_point] = (category, changed_in)


undo(0x200B, 0x200B, 'Zs', '4.0.1')  # ZERO WIDTH SPACE became Cf
undo(0x30FB, 0x30FB, 'Pc', '4.1.0')  # KATAKANA MIDDLE DOT became Po
undo(0xFF65, 0xFF65, 'Pc', '4.1.0')  # HALFWIDTH KATAKANA MIDDLE DOT became Po
undo(0xA015, 0xA015, 'Lo', '4.1.0')  # YI SYLLABLE WU became Lm
undo(0x1369, 0x1371, 'Nd', '4.1.0')  # Ethiopic digits became No
undo(0x0294, 0x0294, 'Ll', '5.0.0')  # LATIN LETTER GLOTTAL STOP became Lo
undo(0x10341, 0x10341, 'Lo', '5.0.0')  # GOTHIC LETTER NINETY became Nl
undo(0x2132, 0x2132, 'So', '5.0.0')  # TURNED CAPITAL F became Lu
undo(0x2183, 0x2183, 'Nl', '5.0.0')  # ROMAN NUMERAL REVERSED ONE HUNDRED became Lu
undo(0x23B4, 0x23B4, 'Ps', '5.0.0')  # square bracket pieces became So
undo(0x23B5, 0x23B5, 'Pe', '5.0.0')
undo(0x23B6, 0x23B6, 'Po', '5.0.0')
undo(0x05BE, 0x05BE, 'Po', '5.1.0')  # HEBREW PUNCTUATION MAQAF became Pd
undo(0x02EC, 0x02EC, 'Sk', '5.1.0')  # MODIFIER LETTER VOICING became Lm
undo(0x0374, 0x0374, 'Sk', '5.1.0')  # GREEK NUMERAL SIGN became Lm
undo(0x2071, 0x2071, 'Ll', '5.2.0 or later')  # superscript i and n became Lm
undo(0x207F, 0x207F, 'Ll', '5.2.0 or later')
undo(0x00A7, 0x00A7, 'So', '6.1.0')  # SECTION SIGN became Po
undo(0x00B6, 0x00B6, 'So', '6.1.0')  # PILCROW SIGN became Po
undo(0x00AA, 0x00AA, 'Ll', '6.1.0')  # ordinal indicators became Lo
undo(0x00BA, 0x00BA, 'Ll', '6.1.0')
undo(0x180E, 0x180E, 'Zs', '6.3.0')  # MONGOLIAN VOWEL SEPARATOR became Cf
undo(0x2308, 0x2308, 'Sm', '6.3.0 or later')  # ceiling and floor brackets became Ps/Pe
undo(0x2309, 0x2309, 'Sm', '6.3.0 or later')
undo(0x230A, 0x230A, 'Sm', '6.3.0 or later')
undo(0x230B, 0x230B, 'Sm', '6.3.0 or later')
undo(0x13A0, 0x13F4, 'Lo', '8.0.0')  # Cherokee letters became Lu
undo(0x1885, 0x1886, 'Lo', '9.0.0')  # Mongolian Ali Gali baluda became Mn
undo(0x10D0, 0x10F8, 'Lo', '11.0.0')  # Georgian Mkhedruli became Ll
undo(0x166D, 0x166D, 'Po', '12.0.0')  # CANADIAN SYLLABICS CHI SIGN became So

# Bits of a mask.
ASCII, LETTER, PRINTABLE, WORD = 0x0001, 0x0002, 0x0004, 0x0008
BLANK, PUNCTUATION, CONTROL, SPACE = 0x0010, 0x0020, 0x0040, 0x0080
DIGIT, UPPER, GRAPHIC, HEX_DIGIT = 0x0100, 0x0200, 0x0400, 0x0800
ALPHANUMERIC, LOWER = 0x1000, 0x2000

LINE_CONTROLS = (0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x85)


def read_ranges(path):
    """Yields (first, last, fields) for each data line of a UCD file."""
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            fields = [x.strip() for x in line.split(';')]
            if '..' in fields[0]:
                first, last = (int(x, 16) for x in fields[0].split('..'))
            else:
                first = last = int(fields[0], 16)
            yield first, last, fields


def load(folder):
    age = {}
    for first, last, fields in read_ranges(os.path.join(folder, 'DerivedAge.txt')):
        version = tuple(int(x) for x in fields[1].split('.'))
        for code_point in range(first, last + 1):
            age[code_point] = version
    category = {}
    range_start = None
    with open(os.path.join(folder, 'UnicodeData.txt'), encoding='utf-8') as f:
        for line in f:
            fields = line.split(';')
            code_point, name, value = int(fields[0], 16), fields[1], fields[2]
            if name.endswith(', First>'):
                range_start = code_point
                continue
            first = range_start if name.endswith(', Last>') else code_point
            for c in range(first, code_point + 1):
                category[c] = value
    return age, category


def category_in_4_0(code_point, age, category):
    if age.get(code_point, (99, 0)) > UNICODE_4_0:
        return 'Cn'
    if code_point in UNDO_LATER_CHANGES:
        return UNDO_LATER_CHANGES[code_point][0]
    return category.get(code_point, 'Cn')


def mask_of(code_point, gc):
    major = gc[0]
    mask = 0
    if code_point < 0x80:
        mask |= ASCII
    if major in 'LM':
        mask |= LETTER | ALPHANUMERIC
    if gc == 'Nd':
        mask |= DIGIT | ALPHANUMERIC
    if gc not in ('Cn', 'Cc', 'Cs') or code_point in LINE_CONTROLS:
        mask |= PRINTABLE
    if major in 'LMN' or gc == 'Pc':
        mask |= WORD
    if gc == 'Zs' or code_point == 0x09:
        mask |= BLANK
    if major == 'P':
        mask |= PUNCTUATION
    if gc in ('Cc', 'Cf', 'Co', 'Cs'):
        mask |= CONTROL
    if gc in ('Zs', 'Zl', 'Zp') or code_point in LINE_CONTROLS:
        mask |= SPACE
    if gc == 'Lu':
        mask |= UPPER
    if gc == 'Ll':
        mask |= LOWER
    if major in 'LMNPS' or gc in ('Cf', 'Co'):
        mask |= GRAPHIC
    if 0x30 <= code_point <= 0x39 or 0x41 <= code_point <= 0x46 or 0x61 <= code_point <= 0x66:
        mask |= HEX_DIGIT
    return mask


def build_ranges(age, category):
    ranges = []
    for code_point in range(LAST_CODE_POINT + 1):
        mask = mask_of(code_point, category_in_4_0(code_point, age, category))
        if ranges and ranges[-1][1] == mask:
            ranges[-1][0] = code_point
        else:
            ranges.append([code_point, mask])
    return ranges


def render(ranges):
    lines = [
        '// Generated by scripts/gen-character-properties.py from the Unicode character database',
        '// (Unicode 4.0 categories). Do not edit: change the script and run it again.',
        '',
        '#include "pel/base/CharacterPropertiesTable.h"',
        '',
        'namespace pel {',
        'namespace character_properties {',
        '',
        'const CharacterRange RANGES[RANGE_COUNT] = {',
    ]
    for i in range(0, len(ranges), 4):
        row = ', '.join('{0x%05X, 0x%04X}' % (last, mask) for last, mask in ranges[i:i + 4])
        lines.append('    ' + row + ',')
    lines += ['};', '', '} // namespace character_properties', '} // namespace pel', '']
    return '\n'.join(lines)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else '/usr/share/unicode'
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(root, 'src', 'pel', 'base', 'CharacterPropertiesTable.cpp')
    age, category = load(folder)
    ranges = build_ranges(age, category)
    if len(ranges) != EXPECTED_RANGES or ranges[-1][0] != LAST_CODE_POINT:
        sys.exit('gen-character-properties: %d ranges ending at U+%X; expected %d ending at U+%X'
                 % (len(ranges), ranges[-1][0], EXPECTED_RANGES, LAST_CODE_POINT))
    with open(output, 'w', encoding='utf-8', newline='\n') as f:
        f.write(render(ranges))
    print('wrote %s: %d ranges' % (os.path.relpath(output, root), len(ranges)))


if __name__ == '__main__':
    main()
