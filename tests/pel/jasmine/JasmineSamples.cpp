#include "JasmineTestSupport.h"

namespace tessel_test {

const std::vector<std::wstring>& jasmineSamples() {
    static const std::vector<std::wstring> samples = {
        // A grammar with regular expressions, comments and bare words.
        LR"J(// Grammar of a small configuration language.
{
	name: 'Config Files', scope: source.config
	fileTypes: [ini cfg 'conf']
	/* Rules are tried in order;
	   the first match wins. */
	patterns: [
		{ match: /^\s*(#|;).*$\n?/m, name: comment.line.config }
		{
			begin: /^\s*\[/, end: /\]/
			name: meta.section.config, captures: { 1: { name: 'entity.name.section' } }
		}
		{ match: /([\w.-]+)\s*(=)/ captures: {1: {name: variable.other.key} 2: {name: keyword.operator}} }
		{ match: /"(?:[^"\\]|\\.)*"/, name: string.quoted.double }
		{ match: /\b(true|false|on|off)\b/i name: constant.language }
		{ match: /-?\d+(\.\d+)?/ name: constant.numeric } { match: /a\/b/gi }
	]
	uuid: "3F2A9C1E-44B0-4C8E-9A51-0D2E6B7C8F90"
}
)J",
        // A theme: colours as strings, font styles, nested settings.
        LR"J({
  "name": "Quiet Evening",
  "settings": [
    {"settings": {"background": "#1E1F22", "foreground": "#D0D0C8", "caret": "#F0F0E8"}},
    {"name": "Comment", "scope": "comment", "settings": {"foreground": "#7A7F88", "fontStyle": "italic"}},
    {"name": "String", "scope": "string, string.quoted", "settings": {"foreground": "#A8C97F"}},
    {"name": "Escapes", "scope": "constant.character.escape",
     "settings": {"foreground": "#56B6C2", "fontStyle": "bold underline"}}
  ],
  "version": 3, "ratio": 0.75, "scale": -1.5e-3, "enabled": true, "parent": null
}
)J",
        // Scope preferences with single quotes and escapes of every kind.
        LR"J({
	scope: 'source.config, text.plain'
	settings: {
		smartTypingPairs: [ ['"', '"'] ['(', ')'] ['[', ']'] ['{', '}'] ["'", "'"] ]
		increaseIndentPattern: '^.*\{[^}"'']*$'
		tab: "\t" newline: "\n\r" quote: "\"" slash: "\/" backslash: "\\" bell: "\u0007" x: "\x41\xfF"
		others: "\b\f\v"
		it: 'it''s', escaped: 'a\'b', kept: 'a\nb'
	}
	numbers: [0, -0, 12, -2147483648, 2147483647, 4294967296, 1.5, 6.02e23, 1E-7]
	1: one
	-2: minus.two
}
)J",
        // A snippet with a multi-line body.
        L"{\r\n\tname: 'For loop'\r\n\ttabTrigger: for\r\n\tscope: source.c\r\n"
        L"\tcontent: \"for (int ${1:i} = 0; $1 < ${2:count}; ++$1) {\\n\\t$0\\n}\"\r\n"
        L"\tkeys: {}\r\n\tempty: []\r\n}\r\n",
        // An update-service reply.
        LR"J({"version":{"major":3,"minor":5,"build":1042},"url_download":"https:\/\/example.org\/get",)J"
        LR"J("notes":["Faster start","Fixes \u00e9\u4e2d"],"critical":false,"size":1.25e7})J",
    };
    return samples;
}

} // namespace tessel_test
