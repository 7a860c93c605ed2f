// The grammar benchmark's peer: vscode-textmate over vscode-oniguruma, with the rules of the
// benchmark's in-code JSON grammar written as a TextMate grammar, on the same texts.
//   node textmate_peer.js generate DIR   writes the texts
//   node textmate_peer.js measure DIR    prints "name value unit" figures
'use strict';
const fs = require('fs');
const path = require('path');

// The texts: 20 000 lines of indented JSON, and minified JSON on one line of 150 and 75 KB.
function generate(dir) {
    let seed = 20261207;
    const random = (n) => { // mulberry32
        seed = (seed + 0x6D2B79F5) | 0;
        let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
        t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
        return ((t ^ (t >>> 14)) >>> 0) % n;
    };
    const words = ['alpha', 'beta', 'gamma', 'delta', 'tab\\t', 'quote\\"', 'unicode\\u00e9', 'path\\/x'];
    const value = (depth) => {
        const kind = random(depth > 2 ? 4 : 6);
        if (kind === 0) return String(random(100000) - 50000);
        if (kind === 1) return (random(1000) / 7).toFixed(3) + (random(3) === 0 ? 'e-3' : '');
        if (kind === 2) return ['true', 'false', 'null'][random(3)];
        if (kind === 3) return '"' + words[random(words.length)] + ' ' + random(1000) + '"';
        if (kind === 4) {
            const items = [];
            for (let i = random(4) + 1; i > 0; --i) items.push(value(depth + 1));
            return items;
        }
        const object = {};
        for (let i = random(4) + 1; i > 0; --i) object[words[random(4)] + random(100)] = value(depth + 1);
        return object;
    };
    const render = (v, indent, out) => {
        if (!Array.isArray(v) && typeof v === 'object') {
            const keys = Object.keys(v);
            out.push('{\n');
            keys.forEach((k, i) => {
                out.push(indent + '  "' + k + '": ');
                render(v[k], indent + '  ', out);
                out.push(i + 1 < keys.length ? ',\n' : '\n');
            });
            out.push(indent + '}');
        } else if (Array.isArray(v)) {
            out.push('[');
            v.forEach((item, i) => {
                render(item, indent, out);
                if (i + 1 < v.length) out.push(', ');
            });
            out.push(']');
        } else {
            out.push(v);
        }
    };
    const chunks = ['[\n'];
    let newlines = 1;
    while (newlines < 19999) {
        const out = ['  '];
        render(value(0), '  ', out);
        out.push(',\n');
        const chunk = out.join('');
        newlines += chunk.split('\n').length - 1;
        chunks.push(chunk);
    }
    const all = chunks.join('').split('\n').slice(0, 19999);
    all.push(']');
    fs.writeFileSync(path.join(dir, 'json-lines.json'), all.join('\n') + '\n');
    const minified = (size) => {
        const parts = [];
        let length = 2;
        while (length < size) {
            const out = [];
            render(value(0), '', out);
            const piece = out.join('').replace(/\n\s*/g, '');
            parts.push(piece);
            length += piece.length + 1;
        }
        return ('[' + parts.join(',') + ']').slice(0, size - 1) + ']';
    };
    fs.writeFileSync(path.join(dir, 'json-min-150k.json'), minified(150 * 1024));
    fs.writeFileSync(path.join(dir, 'json-min-75k.json'), minified(75 * 1024));
}

// The in-code JSON grammar's rules; wrapped, every line sits inside a rule that ends at its end.
function grammar(wrapped) {
    const values = [{include: '#constant'}, {include: '#number'}, {include: '#string'}, {include: '#array'},
                    {include: '#object'}];
    const repository = {
        object: {
            begin: '\\{', end: '\\}', name: 'meta.structure.dictionary.json',
            beginCaptures: {0: {name: 'punctuation.definition.dictionary.begin.json'}},
            endCaptures: {0: {name: 'punctuation.definition.dictionary.end.json'}},
            patterns: [{include: '#key'}, {include: '#value'},
                       {match: '[^\\s\\}]', name: 'invalid.illegal.expected-dictionary-separator.json'}],
        },
        array: {
            begin: '\\[', end: '\\]', name: 'meta.structure.array.json',
            beginCaptures: {0: {name: 'punctuation.definition.array.begin.json'}},
            endCaptures: {0: {name: 'punctuation.definition.array.end.json'}},
            patterns: values.concat([{match: ',', name: 'punctuation.separator.array.json'},
                                     {match: '[^\\s\\]]', name: 'invalid.illegal.expected-array-separator.json'}]),
        },
        key: {
            begin: '"', end: '"', name: 'support.type.property-name.json',
            beginCaptures: {0: {name: 'punctuation.support.type.property-name.begin.json'}},
            endCaptures: {0: {name: 'punctuation.support.type.property-name.end.json'}},
            patterns: [{include: '#escape'}, {include: '#badEscape'}],
        },
        value: {
            begin: ':', end: '(,)|(?=\\})', name: 'meta.structure.dictionary.value.json',
            beginCaptures: {0: {name: 'punctuation.separator.dictionary.key-value.json'}},
            endCaptures: {1: {name: 'punctuation.separator.dictionary.pair.json'}},
            patterns: values.concat([{match: '[^\\s,\\}]', name: 'invalid.illegal.expected-dictionary-separator.json'}]),
        },
        string: {
            begin: '"', end: '"', name: 'string.quoted.double.json',
            beginCaptures: {0: {name: 'punctuation.definition.string.begin.json'}},
            endCaptures: {0: {name: 'punctuation.definition.string.end.json'}},
            patterns: [{include: '#escape'}, {include: '#badEscape'}],
        },
        escape: {match: '\\\\(?:["\\\\/bfnrt]|u[0-9a-fA-F]{4})', name: 'constant.character.escape.json'},
        badEscape: {match: '\\\\.', name: 'invalid.illegal.unrecognized-string-escape.json'},
        number: {match: '-?(?:0|[1-9]\\d*)(?:(?:\\.\\d+)?(?:[eE][+-]?\\d+)?)?', name: 'constant.numeric.json'},
        constant: {match: '\\b(?:true|false|null)\\b', name: 'constant.language.json'},
    };
    const patterns = wrapped ? [{begin: '(?=\\S)', end: '$', name: 'meta.line.json', patterns: values}] : values;
    return {scopeName: wrapped ? 'source.json.line' : 'source.json', patterns, repository};
}

async function measure(dir) {
    const oniguruma = require('vscode-oniguruma');
    const textmate = require('vscode-textmate');
    const wasm = fs.readFileSync(path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const registry = new textmate.Registry({
        onigLib: Promise.resolve({
            createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
            createOnigString: (text) => new oniguruma.OnigString(text),
        }),
        loadGrammar: async (scope) => grammar(scope === 'source.json.line'),
    });
    const json = await registry.loadGrammar('source.json');
    const line = await registry.loadGrammar('source.json.line');
    const tokenizeAll = (g, lines) => {
        let state = textmate.INITIAL;
        for (const text of lines) state = g.tokenizeLine2(text, state, 0).ruleStack;
    };
    const best = (runs, body) => {
        let fastest = Infinity;
        for (let i = 0; i < runs; ++i) {
            const start = process.hrtime.bigint();
            body();
            fastest = Math.min(fastest, Number(process.hrtime.bigint() - start) / 1e6);
        }
        return fastest;
    };
    const read = (name) => fs.readFileSync(path.join(dir, name), 'utf8');
    const lines = read('json-lines.json').split('\n');
    const linesMs = best(5, () => tokenizeAll(json, lines));
    console.log(`textmate_json_lines_per_s ${Math.round(lines.length / (linesMs / 1000))} lines/s`);
    for (const [name, file] of [['150k', 'json-min-150k.json'], ['75k', 'json-min-75k.json']]) {
        const text = [read(file)];
        console.log(`textmate_json_min_${name}_ms ${best(5, () => tokenizeAll(json, text)).toFixed(2)} ms`);
        console.log(`textmate_json_min_${name}_in_line_rule_ms ${best(5, () => tokenizeAll(line, text)).toFixed(2)} ms`);
    }
}

const [command, dir] = process.argv.slice(2);
if (command === 'generate') generate(dir);
else measure(dir).catch((error) => {
    console.error(error);
    process.exit(1);
});
