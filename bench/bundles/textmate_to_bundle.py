#!/usr/bin/env python3
"""Writes a TextMate grammar (JSON) as a bundle holding one grammar entry, for the highlighting
benchmark, and prints on stderr what the entry format cannot carry.

    textmate_to_bundle.py GRAMMAR.json LAYER_FOLDER

The bundle folder "<title>.<uuid>.tsBundle" goes into LAYER_FOLDER, with its info file and the
entry "grammars/<title>.<uuid>.tsGrammar"; the UUIDs follow from the scope name, so a second run
writes the same files. Expressions become Jasmine regular-expression literals (an unescaped "/"
written "\\/"). TextMate's beginCaptures and endCaptures replace captures whole, where the entry
format merges them per index, so a begin/end pattern gets begin_captures = beginCaptures (else
captures) and end_captures = endCaptures (else captures), and no captures key.
"""
import json
import os
import re
import sys
import uuid

NAMESPACE = uuid.UUID("6f1c2a52-8f0e-4c67-9d43-2b1f7d0c5e11")
# Keys of a pattern that have no counterpart in the entry format.
NOT_CARRIED = ("while", "whileCaptures", "applyEndPatternLast", "injections", "injectionSelector", "disabled",
               "firstLineMatch")


class Converter:
    def __init__(self):
        self.dropped = {}

    def note(self, what, where):
        self.dropped.setdefault(what, []).append(where)

    def regex(self, text, where):
        out = []
        i = 0
        while i < len(text):
            c = text[i]
            if c == "\\" and i + 1 < len(text):
                out.append(text[i:i + 2])
                i += 2
                continue
            out.append("\\/" if c == "/" else c)
            i += 1
        if "\\A" in text:
            self.note("\\A holds at every line start", where)
        return "/" + "".join(out) + "/"

    def name(self, text, where):
        if re.search(r"\$\d", text):
            self.note("$n in a name", where)
        return json.dumps(text, ensure_ascii=False)

    def captures(self, captures, where):
        entries = []
        for index, capture in sorted(captures.items(), key=lambda item: int(item[0])):
            if "patterns" in capture:
                self.note("captures with patterns", f"{where} capture {index}")
            if "name" in capture:
                entries.append(f"{int(index)}: {{ name: {self.name(capture['name'], where)} }}")
        return "{ " + " ".join(entries) + " }"

    def pattern(self, rule, where, indent):
        for key in NOT_CARRIED:
            if key in rule:
                self.note(key, where)
        if "repository" in rule:
            self.note("nested repository", where)
        fields = []
        if "name" in rule:
            fields.append(f"name: {self.name(rule['name'], where)}")
        if "contentName" in rule:
            fields.append(f"content_name: {self.name(rule['contentName'], where)}")
        if "begin" in rule and "end" in rule:
            fields.append(f"begin: {self.regex(rule['begin'], where)}")
            fields.append(f"end: {self.regex(rule['end'], where)}")
            begin = rule.get("beginCaptures", rule.get("captures"))
            end = rule.get("endCaptures", rule.get("captures"))
            if begin:
                fields.append(f"begin_captures: {self.captures(begin, where)}")
            if end:
                fields.append(f"end_captures: {self.captures(end, where)}")
        elif "begin" in rule:
            self.note("begin without end", where)
            return None
        elif "match" in rule:
            if not rule["match"]:
                self.note("empty match", where)
                return None
            fields.append(f"match: {self.regex(rule['match'], where)}")
            if rule.get("captures"):
                fields.append(f"captures: {self.captures(rule['captures'], where)}")
        elif "include" in rule:
            include = rule["include"]
            if "#" in include[1:] and not include.startswith("#"):
                self.note("include of another grammar's repository key", f"{where} ({include})")
            if include == "$base":
                self.note("$base (records are shared)", where)
            fields.append(f"include: {json.dumps(include)}")
        if "patterns" in rule:
            fields.append("patterns: " + self.patterns(rule["patterns"], where, indent))
        if not fields:
            self.note("empty pattern", where)
            return None
        return "{ " + " ".join(fields) + " }"

    def patterns(self, rules, where, indent):
        lines = []
        for i, rule in enumerate(rules):
            text = self.pattern(rule, f"{where}/{i}", indent + "\t")
            if text is not None:
                lines.append(indent + "\t" + text)
        return "[\n" + "\n".join(lines) + "\n" + indent + "]" if lines else "[ ]"

    def grammar(self, grammar):
        scope = grammar["scopeName"]
        title = grammar.get("displayName") or grammar.get("name") or scope
        for key in NOT_CARRIED:
            if key in grammar:
                self.note(key, "grammar")
        out = ["{", f"\ttitle: {json.dumps(title, ensure_ascii=False)}", f"\tname: {json.dumps(scope)}",
               "\tfile_types: [ " + " ".join(json.dumps(t) for t in grammar.get("fileTypes", [])) + " ]",
               "\tpatterns: " + self.patterns(grammar.get("patterns", []), "patterns", "\t"), "\trepository: {"]
        for key, rule in grammar.get("repository", {}).items():
            text = self.pattern(rule, f"repository/{key}", "\t\t")
            if text is not None:
                out.append(f"\t\t{json.dumps(key)}: {text}")
        out += ["\t}", "}"]
        return title, scope, "\n".join(out) + "\n"


def file_name(title):
    name = re.sub(r"[^A-Za-z0-9_]+", "_", title).strip("_").lower()
    return name or "grammar"


def write(path, text):
    with open(path, "w", encoding="utf-8-sig", newline="\n") as out:
        out.write(text)


def main():
    source, layer = sys.argv[1:3]
    with open(source, encoding="utf-8") as f:
        grammar = json.load(f)
    converter = Converter()
    title, scope, entry = converter.grammar(grammar)
    bundle_uuid = uuid.uuid5(NAMESPACE, "bundle:" + scope)
    entry_uuid = uuid.uuid5(NAMESPACE, "grammar:" + scope)
    folder = os.path.join(layer, f"{file_name(title)}.{bundle_uuid}.tsBundle")
    os.makedirs(os.path.join(folder, "grammars"), exist_ok=True)
    write(os.path.join(folder, f"info.{bundle_uuid}.tsInfo"), f"{{\n\ttitle: {json.dumps(title)}\n\tmenu: null\n}}\n")
    write(os.path.join(folder, "grammars", f"{file_name(title)}.{entry_uuid}.tsGrammar"), entry)
    for what, where in sorted(converter.dropped.items()):
        print(f"{os.path.basename(source)}: {what}: {len(where)}x, first at {where[0]}", file=sys.stderr)


if __name__ == "__main__":
    main()
