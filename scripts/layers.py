"""The layers of Tessel's sources, lowest first, with the layers each may include (besides itself).
A folder under src/ not listed belongs to the nearest listed parent. check-layers.py checks the
includes against this table; make-layer-trees.py builds from it the include tree each layer is
compiled against, so that an include pointing upward does not compile."""

LAYERS = [
    ("platform", []),
    ("pel", ["platform"]),
    ("service/base", ["pel"]),
    ("service/parser/base", ["service/base"]),
    ("service/document", ["service/parser/base"]),
    ("service/parser", ["service/document"]),
    ("service/bundles", ["service/parser"]),
    ("afw", ["service/bundles"]),
    ("bundles", ["afw"]),
    ("components", ["afw"]),
    ("editor", ["bundles", "components"]),
    ("app", ["editor"]),
]


def layer_of(path):
    """The layer a path relative to src/ belongs to, or None."""
    best = None
    for name, _ in LAYERS:
        if path == name or path.startswith(name + "/"):
            if best is None or len(name) > len(best):
                best = name
    return best


def allowed(layer):
    """The layer itself and every layer below it."""
    seen, todo = set(), [layer]
    below = dict(LAYERS)
    while todo:
        name = todo.pop()
        if name not in seen:
            seen.add(name)
            todo.extend(below.get(name, []))
    return seen


def tree_name(layer):
    """The folder name of a layer's include tree: "service/parser/base" -> "service-parser-base"."""
    return layer.replace("/", "-")
