#!/usr/bin/env python3
"""Rebuilds src/pel/text/TransliterationTable.cpp, the Inflector's table of ASCII stand-ins.

Input: UnicodeData.txt of a Unicode character database (Debian's unicode-data package puts it in
/usr/share/unicode; give another folder as the first argument). The table holds exactly the code
points of KEY_RANGES. Each value comes from the first rule that gives one:
  1. the fixed rows below (box drawing, "?" rows, removed characters, the rows whose text is not
     what the decomposition or the name would give);
  2. the ASCII characters of the code point's full compatibility decomposition, combining marks
     and other non-ASCII parts dropped;
  3. for a Latin letter, the letter its Unicode name is built on, in the letter's case.
The script fails without writing anything when a key gets no value, a value that is not ASCII
(other than the four NON_ASCII rows) or the key count is not 1782.
"""
import os
import re
import sys

EXPECTED_ENTRIES = 1782

KEY_RANGES = """
00A0-00A3 00A5-02AF 02B9 02BB-02BD 02C6 02C8-02C9 02CC 02D0 02DA 02DC-02DD 0363-036F 0374-0375
037E 0401 0403-0404 0407 0409-040A 040C 040E-042B 042D-044F 0451 0453-0457 0459-045A 045C
045E-045F 0462-0463 046A-046B 0472-0475 0490-0491 1D00-1D25 1D62-1D65 1D6B-1D77 1D79-1D9A 1DCA
1DD3-1DE6 1E00-1EFF 2000-2027 202A-2030 2032-2037 2039-203A 203C 203E 2043-2044 2048-204A
2070-2071 2074-208E 2090-2094 20AC 2100-2101 2103 2105-2106 2109 2113 2116-2117 2120-2122 2126
212A-212B 212E 2153-217F 2184 2190-2194 21D0 21D2 21D4 2212 2215-2219 221E 2223 2225 2236 223C
2260-2261 2264-2265 226A-226B 2295-2298 22A2-22A3 22A6-22A9 22C5-22C6 22D5 22D8-22D9 22EF
2329-232A 2400-2421 2423-2426 2460-24EA 2500-2573 257C-257F 25CB 25E6 2605-2606 2612-2613
2639-263B 266D 266F 2701-2704 270C 2713-2727 2729-274B 2C2E 2C5E 2C60-2C6F 2C71-2C7C A722-A76F
A771-A787 A78B-A78C A7FB-A7FF FB00-FB06 FF21-FF3A FF41-FF5A
"""

GRAVE = '`'
QUOTE = '"'


def code_points(spec):
    """Code points of a text of blank-separated hexadecimal numbers and ranges."""
    result = []
    for item in spec.split():
        first, _, last = item.partition('-')
        result += range(int(first, 16), int(last or first, 16) + 1)
    return result


FIXED = {}


def put(first, *texts):
    """Gives first, first + 1, ... the texts in order."""
    for offset, text in enumerate(texts):
        FIXED[first + offset] = text


def fill(spec, text):
    """Gives every code point of spec the same text."""
    for code_point in code_points(spec):
        FIXED[code_point] = text


def box_drawing():
    fill('2500-2573 257C-257F', '+')
    fill('2500 2504 2508 254C 257C 257E', '-')
    fill('2501 2505 2509 254D 2550', '=')
    fill('2502 2503 2506 2507 250A 250B 254E 254F 2551 257D 257F', '|')
    put(0x2571, '/', '\\', 'X')


QUESTION_MARKS = ('00BF 01BE-01C3 01F6-01F7 021C-021D 0241-0242 0294-0296 0298 02A1-02A2 02AC-02AD '
                  '1D24 2426 2C2E 2C5E A722-A725 A72A-A72F A75A-A75D')
REMOVED = '0184-0185 018D 200A-200F 202E 22D5 266F A76E-A76F A771-A778'
NON_ASCII = {0x02C9: '\u2014', 0x02DA: '\u00B0', 0x2219: '\u00B7', 0x22C5: '\u00B7'}


def latin():
    put(0x00A0, ' ', '!', 'c', 'GBP')
    put(0x00A5, 'Y', '|', 'S', QUOTE, '(c)')
    put(0x00AB, '<<', '-', '-', '(R)', '-', ' ', '+/-', '^2', '^3', "'", 'u', 'P', '.', ',', '^1')
    put(0x00BB, '>>', '1/4', '1/2', '3/4')
    put(0x00C6, 'A')
    put(0x00D0, 'D')
    put(0x00D7, 'x')
    put(0x00DE, 'Th', 'ss')
    put(0x00E6, 'a')
    put(0x00F0, 'd')
    put(0x00F7, ':')
    put(0x00FE, 'th')
    put(0x0132, 'Ij', 'ij')
    put(0x0149, "'n")
    put(0x0152, 'Oe', 'oe')
    put(0x0195, 'hv')
    put(0x01A2, 'Oi', 'oi')
    put(0x01BB, '-2-')
    put(0x01C4, 'Dz')
    put(0x01C6, 'dz', 'Lj')
    put(0x01C9, 'lj', 'Nj')
    put(0x01CC, 'nj')
    put(0x01E2, 'Ae', 'ae')
    put(0x01F1, 'Dz')
    put(0x01F3, 'dz')
    put(0x01FC, 'Ae', 'ae')
    put(0x0222, 'Ou', 'ou')
    put(0x0238, 'db', 'qp')
    put(0x026E, 'lz')
    put(0x0276, 'oe')
    put(0x0278, 'ph')
    put(0x02A3, 'dz', 'dz', 'dz', 'ts', 'ts', 'tc', 'fn', 'ls', 'lz')
    put(0x1D01, 'Ae', 'ae')
    put(0x1D14, 'oe', 'OU')
    put(0x1D6B, 'ue')
    put(0x1D7A, 'th')
    put(0x1E9E, 'SS')
    put(0x1EFA, 'LL', 'll')
    put(0xA728, 'Tz', 'tz')
    put(0xA732, 'Aa', 'aa', 'Ao', 'ao', 'Au', 'au', 'Av', 'av', 'Av', 'av', 'Ay', 'ay')
    put(0xA74E, 'Oo', 'oo')
    put(0xA760, 'Vy', 'vy')
    put(0xA76A, '&', '&', 'IS', 'is')
    put(0xFB00, 'ff', 'fi', 'fl', 'ffi', 'ffl', 'st', 'st')


def modifiers():
    put(0x0363, *('^' + c for c in 'aeioucdhmrtvx'))
    put(0x1D62, '^i', '^r', '^u', '^v')
    put(0x1DCA, '^r')
    put(0x1DD3, '^a', '^ae', '^ao', '^av', '^c', '^d', '^d', '^g', '^G', '^k', '^l', '^L', '^M',
        '^n', '^N', '^R', '^R', '^s', '^s', '^z')
    put(0x2C7C, '^J')
    put(0x02C6, '^')
    put(0x02DC, '~', QUOTE)
    fill('02B9 02BB-02BD 02C8', "'")
    put(0x02CC, ',')
    put(0x02D0, ':')
    put(0x0374, "'", ',')
    put(0x037E, ';')


def cyrillic():
    upper = ['A', 'B', 'V', 'G', 'D', 'E', 'Zh', 'Z', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 'R',
             'S', 'T', 'U', 'F', 'X', 'Cz', 'Ch', 'Sh', 'Shh', 'A' + GRAVE, 'Y' + GRAVE, None,
             'E' + GRAVE, 'Yu', 'Ya']
    lower = [t.lower() for t in upper[:26]] + [GRAVE * 2, 'y' + GRAVE, GRAVE, 'e' + GRAVE, 'yu', 'ya']
    for offset, text in enumerate(upper):
        if text is not None:  # U+042C is not in the table
            FIXED[0x0410 + offset] = text
    put(0x0430, *lower)
    put(0x0401, 'Yo')
    put(0x0403, 'G' + GRAVE, 'Ye')
    put(0x0407, 'Yi')
    put(0x0409, 'L' + GRAVE, 'N' + GRAVE)
    put(0x040C, 'K' + GRAVE)
    put(0x040E, 'U' + GRAVE, 'Dh')
    put(0x0451, 'yo')
    put(0x0453, 'g' + GRAVE, 'ye', 'z' + GRAVE, 'i', 'yi')
    put(0x0459, 'l' + GRAVE, 'n' + GRAVE)
    put(0x045C, 'k' + GRAVE)
    put(0x045E, 'u' + GRAVE, 'dh')
    put(0x0462, 'Ye', 'ye')
    put(0x046A, 'O' + GRAVE, 'o' + GRAVE)
    put(0x0472, 'Fh', 'fh', 'Yh', 'yh')
    put(0x0490, 'G' + GRAVE, 'g' + GRAVE)


def punctuation():
    fill('2000-2009 202F', ' ')
    fill('2010-2013 2027 203E 2043', '-')
    put(0x2014, '--', '--', '||', '_')
    fill('2018-201B 2032', "'")
    fill('201C-201F 2033', QUOTE)
    put(0x2020, '+', '++', 'o', '>', '.', '..', '...')
    fill('202A-202D', "' ")
    put(0x2030, ' 0/00')
    put(0x2034, "'''", GRAVE, GRAVE * 2, GRAVE * 3)
    put(0x2039, '<', '>')
    put(0x203C, '!!')
    put(0x2044, '/')
    put(0x2048, '?!', '!?', '7')


def scripts():
    put(0x2070, '^0', '^I')
    put(0x2074, *('^' + c for c in '456789+-=()n'))
    put(0x2080, *('_' + c for c in '0123456789+-=()'))
    put(0x2090, '^a', '^e', '^o', '^x', '^e')


def letterlike():
    put(0x20AC, 'EUR')
    put(0x2100, 'a/c', 'a/s')
    put(0x2103, GRAVE + 'C')
    put(0x2105, 'c/o', 'c/u')
    put(0x2109, GRAVE + 'F')
    put(0x2113, 'l')
    put(0x2116, 'No', '(P)')
    put(0x2120, '[SM]', 'TEL', '[TM]')
    put(0x2126, 'O')
    put(0x212A, 'K', 'A')
    put(0x212E, 'e')
    put(0x2153, ' 1/3', ' 2/3', ' 1/5', ' 2/5', ' 3/5', ' 4/5', ' 1/6', ' 5/6', ' 1/8', ' 3/8',
        ' 5/8', ' 7/8', ' 1/')
    roman = ['I', 'II', 'III', 'IV', 'V', 'VI', 'VII', 'VIII', 'IX', 'X', 'XI', 'XII', 'L', 'C', 'D', 'M']
    put(0x2160, *roman)
    put(0x2170, *(r.lower() for r in roman))
    put(0x2184, 'c')


def mathematics():
    put(0x2190, '<-', '^', '->', 'v', '<->')
    put(0x21D0, '<=')
    put(0x21D2, '=>')
    put(0x21D4, '<=>')
    put(0x2212, '-')
    put(0x2215, '/', '\\', '*', 'o')
    put(0x221E, 'inf')
    put(0x2223, '|')
    put(0x2225, '||')
    put(0x2236, ':')
    put(0x223C, '~')
    put(0x2260, '/=', '=')
    put(0x2264, '<=', '>=')
    put(0x226A, '<<', '>>')
    put(0x2295, '(+)', '(-)', '(x)', '(/)')
    put(0x22A2, '|-', '-|')
    put(0x22A6, '|-', '|=', '|=', '||-')
    put(0x22C6, '*')
    put(0x22D8, '<<<', '>>>')
    put(0x22EF, '...')
    put(0x2329, '<', '>')


def pictures_and_symbols():
    put(0x2400, 'NUL', 'SOH', 'STX', 'ETX', 'EOT', 'ENQ', 'ACK', 'BEL', 'BS', 'HT', 'LF', 'VT',
        'FF', 'CR', 'SO', 'SI', 'DLE', 'DC1', 'DC2', 'DC3', 'DC4', 'NAK', 'SYN', 'ETB', 'CAN',
        'EM', 'SUB', 'ESC', 'FS', 'GS', 'RS', 'US', 'SP', 'DEL')
    # OPEN BOX stands for a visible blank; nothing in its name or decomposition gives a text.
    put(0x2423, '_')
    put(0x2424, 'NL', '///')
    numbers = [str(n) for n in range(1, 21)]
    put(0x2460, *('(%s)' % n for n in numbers))
    put(0x2474, *('(%s)' % n for n in numbers))
    put(0x2488, *('%s.' % n for n in numbers))
    letters = 'abcdefghijklmnopqrstuvwxyz'
    put(0x249C, *('(%s)' % c for c in letters))
    put(0x24B6, *('(%s)' % c.upper() for c in letters))
    put(0x24D0, *('(%s)' % c for c in letters))
    put(0x24EA, '(0)')
    fill('25CB 25E6', 'o')
    fill('2605-2606 2721 2729-274B', '*')
    fill('2612-2613 2717-2718', 'X')
    put(0x2639, ':-(', ':-)', '(-:')
    put(0x266D, 'b')
    fill('2701-2704', '%<')
    put(0x270C, 'V')
    fill('2713-2714', 'v')
    fill('2715-2716', 'x')
    fill('2719-2720 2722-2727', '+')


# Latin letter names that are not a single letter, by the letter they stand for.
LETTER_WORDS = {
    'ALPHA': 'A', 'GAMMA': 'G', 'DELTA': 'D', 'IOTA': 'I', 'LAMBDA': 'L', 'OMEGA': 'O',
    'UPSILON': 'U', 'PHI': 'F', 'ESH': 'S', 'EZH': 'Z', 'ENG': 'N', 'HENG': 'H', 'KRA': 'K',
    'SCHWA': 'E', 'ETH': 'D', 'THORN': 'Th', 'WYNN': 'W', 'YR': 'R', 'VEND': 'V',
}
# Letters whose names hold neither a letter nor a word above, with the text they get.
LETTER_NAMES = {
    0x0264: 'o',  # RAMS HORN: the close-mid back vowel it writes
    0x01A7: '2', 0x01A8: '2', 0x01BC: '5', 0x01BD: '5',  # tone letters two and five
    0x1D25: "'",  # AIN, a pharyngeal consonant written as an apostrophe
    0xA78B: "'", 0xA78C: "'",  # SALTILLO, a glottal stop written as an apostrophe
}

NAME_PREFIX = re.compile(r'^LATIN (?:EPIGRAPHIC )?(?:CAPITAL |SMALL )?(?:CAPITAL )?(?:LETTER |LIGATURE )'
                         r'(?:SMALL CAPITAL |CAPITAL |SMALL )?')
SMALL_CAPITAL = re.compile(r'^LATIN (?:LETTER SMALL CAPITAL|SMALL CAPITAL LETTER) ')


def letter_of_name(code_point, name, category):
    """The letter a Latin letter's name is built on, or None."""
    match = NAME_PREFIX.match(name)
    if not match:
        return None
    if code_point in LETTER_NAMES:
        return LETTER_NAMES[code_point]
    words = name[match.end():].replace('-', ' ').split()
    if 'WITH' in words:
        words = words[:words.index('WITH')]
    letter = None
    for word in words:
        if len(word) == 1 and 'A' <= word <= 'Z':
            letter = word
            break
        if word in LETTER_WORDS:
            letter = LETTER_WORDS[word]
            break
    if letter is None:
        return None
    # Small capitals keep the capital letter they show; other letters follow their case.
    if SMALL_CAPITAL.match(name) or ' CAPITAL LETTER ' in ' ' + name[6:]:
        return letter
    if ' SMALL LETTER ' in name or category == 'Ll':
        return letter.lower()
    return letter


def load(folder):
    names, categories, decompositions = {}, {}, {}
    with open(os.path.join(folder, 'UnicodeData.txt'), encoding='utf-8') as f:
        for line in f:
            fields = line.split(';')
            code_point = int(fields[0], 16)
            names[code_point] = fields[1]
            categories[code_point] = fields[2]
            if fields[5]:
                decompositions[code_point] = [int(p, 16) for p in fields[5].split()
                                              if not p.startswith('<')]
    return names, categories, decompositions


def full_decomposition(code_point, decompositions):
    if code_point not in decompositions:
        return [code_point]
    result = []
    for part in decompositions[code_point]:
        result += full_decomposition(part, decompositions)
    return result


def build(folder):
    names, categories, decompositions = load(folder)
    box_drawing()
    fill(QUESTION_MARKS, '?')
    fill(REMOVED, '')
    FIXED.update(NON_ASCII)
    for part in (latin, modifiers, cyrillic, punctuation, scripts, letterlike, mathematics,
                 pictures_and_symbols):
        part()

    keys = code_points(KEY_RANGES)
    stray = sorted(set(FIXED) - set(keys))
    if stray:
        sys.exit('gen-transliteration-table: fixed rows outside the keys: '
                 + ' '.join('%04X' % c for c in stray))
    table, counts, missing = {}, {'fixed': 0, 'decomposition': 0, 'name': 0}, []
    for key in keys:
        if key in FIXED:
            table[key] = FIXED[key]
            counts['fixed'] += 1
            continue
        if key in decompositions:
            text = ''.join(chr(c) for c in full_decomposition(key, decompositions) if c < 0x7F)
            if text.strip():
                table[key] = text
                counts['decomposition'] += 1
                continue
        letter = letter_of_name(key, names.get(key, ''), categories.get(key, 'Cn'))
        if letter is not None:
            table[key] = letter
            counts['name'] += 1
            continue
        missing.append(key)
    if missing:
        sys.exit('gen-transliteration-table: no value for '
                 + ', '.join('U+%04X %s' % (c, names.get(c, '?')) for c in missing))
    odd = [k for k, v in table.items() if k not in NON_ASCII and any(ord(c) >= 0x7F for c in v)]
    if odd or len(table) != EXPECTED_ENTRIES:
        sys.exit('gen-transliteration-table: %d entries (expected %d); not ASCII: %s'
                 % (len(table), EXPECTED_ENTRIES, ' '.join('%04X' % c for c in odd)))
    return table, counts


def literal(text):
    out = []
    for c in text:
        if c in '\\"':
            out.append('\\' + c)
        elif ord(c) < 0x7F:
            out.append(c)
        else:
            out.append('\\u%04X' % ord(c))
    return 'L"' + ''.join(out) + '"'


def render(table):
    lines = [
        '// Generated by scripts/gen-transliteration-table.py from the Unicode character database',
        '// and the fixed rows of the script. Do not edit: change the script and run it again.',
        '',
        '#include "pel/text/TransliterationTable.h"',
        '',
        'namespace pel {',
        'namespace transliteration {',
        '',
        'const Entry ENTRIES[ENTRY_COUNT] = {',
    ]
    row = []
    for key in sorted(table):
        row.append('{0x%04X, %s}' % (key, literal(table[key])))
        if len(row) == 5:
            lines.append('    ' + ', '.join(row) + ',')
            row = []
    if row:
        lines.append('    ' + ', '.join(row) + ',')
    lines += ['};', '', '} // namespace transliteration', '} // namespace pel', '']
    return '\n'.join(lines)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else '/usr/share/unicode'
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = os.path.join(root, 'src', 'pel', 'text', 'TransliterationTable.cpp')
    table, counts = build(folder)
    with open(output, 'w', encoding='utf-8', newline='\n') as f:
        f.write(render(table))
    print('wrote %s: %d entries (%d fixed, %d from decompositions, %d from letter names)'
          % (os.path.relpath(output, root), len(table), counts['fixed'], counts['decomposition'],
             counts['name']))


if __name__ == '__main__':
    main()
