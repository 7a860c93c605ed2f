// The highlighting benchmark's peer: vscode-textmate over vscode-oniguruma with the TextMate
// grammars of tm-grammars, on the same files.
//   node highlight_peer.js scopes GRAMMARS INPUT OUT [SCOPE]   writes each line's tokens (below)
//   node highlight_peer.js measure GRAMMARS INPUT NAME [SCOPE]  prints "name value unit" figures
// SCOPE is the grammar's scope name, source.js unless given.
// GRAMMARS is the folder of the grammars' JSON files. A line of OUT is "D" for a line inside a
// documentation comment, else "-", then for each token a tab, its start column, a tab and its
// scopes joined by blanks.
'use strict';
const fs = require('fs');
const path = require('path');

// A pass that takes longer than this is reported failed.
const PASS_LIMIT_MS = 10000;

async function registry(grammars) {
    const oniguruma = require('vscode-oniguruma');
    const textmate = require('vscode-textmate');
    const wasm = fs.readFileSync(path.join(path.dirname(require.resolve('vscode-oniguruma')), 'onig.wasm'));
    await oniguruma.loadWASM(wasm.buffer.slice(wasm.byteOffset, wasm.byteOffset + wasm.byteLength));
    const files = {'source.js': 'javascript.json', 'source.css': 'css.json', 'source.c': 'c.json'};
    return {
        textmate,
        registry: new textmate.Registry({
            onigLib: Promise.resolve({
                createOnigScanner: (patterns) => new oniguruma.OnigScanner(patterns),
                createOnigString: (text) => new oniguruma.OnigString(text),
            }),
            loadGrammar: async (scope) => files[scope] &&
                JSON.parse(fs.readFileSync(path.join(grammars, files[scope]), 'utf8')),
        }),
    };
}

const readLines = (file) => fs.readFileSync(file, 'utf8').split(/\r?\n/);
const now = () => Number(process.hrtime.bigint()) / 1e6;

function tokenizeAll(textmate, grammar, lines) {
    let state = textmate.INITIAL;
    for (const text of lines) state = grammar.tokenizeLine2(text, state, 0).ruleStack;
}

async function scopes(grammars, input, out, scope = 'source.js') {
    const {textmate, registry: r} = await registry(grammars);
    const grammar = await r.loadGrammar(scope);
    let state = textmate.INITIAL;
    const result = [];
    for (const text of readLines(input)) {
        const tokens = grammar.tokenizeLine(text, state, 0);
        state = tokens.ruleStack;
        const doc = tokens.tokens.some((t) => t.scopes.some((s) => s.startsWith('comment.block.documentation')));
        result.push((doc ? 'D' : '-') + tokens.tokens.map((t) => `\t${t.startIndex}\t${t.scopes.join(' ')}`).join(''));
    }
    fs.writeFileSync(out, result.join('\n') + '\n');
}

async function measure(grammars, input, name, scope = 'source.js') {
    const lines = readLines(input);
    // Load and first pass with a fresh registry: the rules compile as the text needs them.
    const loadStart = now();
    const {textmate, registry: r} = await registry(grammars);
    const grammar = await r.loadGrammar(scope);
    const loaded = now();
    tokenizeAll(textmate, grammar, lines);
    const first = now();
    console.log(`peer_${name}_load_ms ${(loaded - loadStart).toFixed(1)} ms`);
    console.log(`peer_${name}_load_first_pass_ms ${(first - loadStart).toFixed(1)} ms`);
    const passes = [];
    for (let i = 0; i < 5; ++i) {
        const start = now();
        tokenizeAll(textmate, grammar, lines);
        passes.push(now() - start);
    }
    passes.sort((a, b) => a - b);
    const median = passes[2];
    console.log(`peer_${name}_pass_ms ${median.toFixed(1)} ms${median > PASS_LIMIT_MS ? ' FAILED' : ''}`);
    console.log(`peer_${name}_lines_per_s ${(lines.length / (median / 1000)).toFixed(2)} lines/s`);
}

const [command, ...args] = process.argv.slice(2);
(command === 'scopes' ? scopes(...args) : measure(...args)).catch((error) => {
    console.error(error);
    process.exit(1);
});
