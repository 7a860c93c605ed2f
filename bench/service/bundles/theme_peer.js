// The theme benchmark's data and peer: the themes of the npm package tm-themes (VS Code JSON)
// converted into theme entries, and vscode-textmate reading the same JSON into its registry.
//   node theme_peer.js convert SRC OUT   writes OUT/<name>.tsTheme per SRC/<name>.json and prints
//                                        what the entry format lacks, counted
//   node theme_peer.js measure SRC       prints "name value unit" figures
'use strict';
const fs = require('fs');
const path = require('path');

// The entry's own colours from the editor colours of the theme.
const EDITOR_COLOURS = {
    background: 'editor.background',
    foreground: 'editor.foreground',
    invisibles: 'editorWhitespace.foreground',
    area_background: 'editorGutter.background',
    selection: 'editor.selectionBackground',
    hotspot: 'editor.findMatchHighlightBackground',
    line_highlight: 'editor.lineHighlightBackground',
};
const COLOUR = /^#([0-9A-Fa-f]{3}|[0-9A-Fa-f]{6}|[0-9A-Fa-f]{8})$/;
const STYLES = new Set(['bold', 'italic', 'underline']);
const PLAIN = new Set(['normal', 'regular']); // no style: the empty text

function themeFiles(dir) {
    return fs.readdirSync(dir).filter((name) => name.endsWith('.json')).sort();
}

// A double-quoted Jasmine string, ASCII only.
function quote(text) {
    let out = '"';
    for (const c of String(text)) {
        const code = c.codePointAt(0);
        if (c === '"' || c === '\\') out += '\\' + c;
        else if (code < 32 || code > 126 || c === '<' || c === '>') {
            const units = code > 0xFFFF ? [0xD800 + ((code - 0x10000) >> 10), 0xDC00 + ((code - 0x10000) & 0x3FF)] : [code];
            for (const unit of units) out += '\\u' + unit.toString(16).padStart(4, '0');
        } else out += c;
    }
    return out + '"';
}

function convert(src, out) {
    fs.mkdirSync(out, { recursive: true });
    const dropped = {};
    const drop = (what) => { dropped[what] = (dropped[what] || 0) + 1; };
    let rules = 0;
    for (const file of themeFiles(src)) {
        const theme = JSON.parse(fs.readFileSync(path.join(src, file), 'utf8'));
        const colors = theme.colors || {};
        const own = [];
        for (const [key, editorKey] of Object.entries(EDITOR_COLOURS)) {
            const colour = colors[editorKey];
            if (colour == null) continue;
            if (COLOUR.test(colour)) own.push(`${key}: ${quote(colour)}`);
            else drop('colour ' + String(colour).length);
        }
        const lines = [`{`, `\ttitle: ${quote(theme.displayName || theme.name)}`, `\tsettings: [`,
            `\t\t{ settings: { ${own.join(' ')} } }`];
        for (const rule of theme.tokenColors || []) {
            const scope = Array.isArray(rule.scope) ? rule.scope.join(', ') : (rule.scope || '');
            const settings = [];
            for (const [key, value] of Object.entries(rule.settings || {})) {
                if (value == null) {
                    drop('null');
                } else if (key === 'foreground' || key === 'background') {
                    if (COLOUR.test(value)) settings.push(`${key}: ${quote(value)}`);
                    else drop('colour ' + String(value).length);
                } else if (key === 'fontStyle') {
                    const words = String(value).split(/\s+/).filter((word) => word);
                    for (const word of words) if (!STYLES.has(word) && !PLAIN.has(word)) drop(word);
                    settings.push(`font_style: ${quote(words.filter((word) => STYLES.has(word)).join(' '))}`);
                } else {
                    drop(key);
                }
            }
            lines.push(`\t\t{ title: ${quote(rule.name || scope)} scope: ${quote(scope)} settings: { ${settings.join(' ')} } }`);
            ++rules;
        }
        lines.push('\t]', '}');
        fs.writeFileSync(path.join(out, file.replace(/\.json$/, '.tsTheme')), lines.join('\n'));
    }
    console.log(`theme_rules ${rules} rules`);
    for (const [what, count] of Object.entries(dropped).sort())
        console.log(`theme_dropped_${what.replace(/\W+/g, '_')} ${count} values`);
}

function measure(src) {
    const vsctm = require('vscode-textmate');
    const registry = new vsctm.Registry({ onigLib: new Promise(() => {}), loadGrammar: async () => null });
    const texts = themeFiles(src).map((file) => fs.readFileSync(path.join(src, file), 'utf8'));
    const install = (text) => {
        const theme = JSON.parse(text);
        const colors = theme.colors || {};
        const settings = [{ settings: { foreground: colors['editor.foreground'], background: colors['editor.background'] } }];
        registry.setTheme({ name: theme.name, settings: settings.concat(theme.tokenColors || []) });
    };
    let best = Infinity;
    for (let round = 0; round < 20; ++round) {
        const start = process.hrtime.bigint();
        texts.forEach(install);
        best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e9);
    }
    console.log(`textmate_themes ${texts.length} themes`);
    console.log(`textmate_themes_per_s ${(texts.length / best).toFixed(0)} themes/s`);
}

const [command, src, out] = process.argv.slice(2);
if (command === 'convert') convert(src, out);
else if (command === 'measure') measure(src);
else { console.error('usage: theme_peer.js convert SRC OUT | measure SRC'); process.exit(2); }
