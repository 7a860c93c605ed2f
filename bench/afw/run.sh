# The framework's canvas beside the bare GDI calls it wraps, and the bilinear stretch beside a
# memcpy of its target; sourced by bench/run-all.sh (run in scope). No host peer: the peers are
# the system's own calls in the same program.
run canvas_bench
run stretch_bench

# The view tree, the message loop and the layout of child windows, in real windows (run-all.sh
# gives them a display). The peers (plain records, a bare message loop, a bare DeferWindowPos
# batch) run in the same programs on the same windows.
run view_tree_bench
run message_loop_bench
run widget_layout_bench

# 10 MiB of text through the clipboard: the editor's payload in and out through OLE, and its
# rendering for other programs, beside the bare clipboard calls and a memcpy in the same program.
run clipboard_bench

# The text layer: line layout beside the bare Uniscribe calls, drawing beside bare ScriptTextOut
# and ExtTextOutW, and the font manager beside a bare font enumeration, all in the same programs.
run text_layout_bench
run text_render_bench
run font_manager_bench

# The linear layout: 1,000 windowless children beside a plain loop computing the same frames, the
# pass after one changed leaf, and the pass in a shown window with its system invalidations
# counted; and a window of 50 child widgets resized, beside one bare DeferWindowPos batch of the
# same rectangles on the same windows.
run layout_linear_bench
run window_resize_bench

# Images and forms: decodePng of a 2048 x 2048 RGBA PNG beside libpng's simplified API on the
# same bytes, the hint's nine-patch rendered and drawn from its cache beside a bare AlphaBlend of
# the same size, and a 100-field form measured, laid out and painted beside bare DrawTextW calls
# of its 200 texts, each peer in the same program.
run png_decode_bench
run nine_patch_bench
run form_bench

# Key dispatch over 2,000 actions: per key and per character, beside a bare unordered_map lookup,
# and a posted key through the loop until its handler ran, beside a bare window procedure.
run action_dispatch_bench

# Menus: an afMenuDef rebuild of 2,000 action lines, one line measured and drawn (classic and
# themed), a 30-line popup tracked to its first idle, each beside the bare Win32 calls in the same
# program; and a context menu from 1,000 actions.
run menu_bench

# The tree control: 100,000 items built, expanded and paged, beside a plain tree view in the same
# window; its state saved and restored beside a bare walk reading every text. A splitter dragged
# between panes of 50 child widgets, beside a bare DeferWindowPos batch of the same rectangles.
run tree_bench
run splitter_bench

# The small controls: a lister of 100,000 virtual rows painted and paged beside an owner-data
# list view, its measuring beside a bare GetTextExtentPoint32W loop, and the stand-in HTML view
# loading 1 MB beside a bare UTF-8 decode and DrawTextW, each peer in the same program.
run lister_bench
