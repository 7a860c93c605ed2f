#!/usr/bin/env python3
"""Groups the framework's files by concern: moves every file at the top of src/afw (and every test
at the top of tests/afw, which mirrors it) into the subfolder its concern names, with git mv so
that each file's history follows, then rewrites every reference to a moved path: the includes
under src/, tests/ and bench/, and the paths named by the build files, the scripts and the top
pages (ARCHITECTURE.md, README.md). Nothing is moved while a file at the top has no folder below,
or while the files to move have changes not committed.

  group-afw.py [--dry-run] [ROOT]

Run it from a clean checkout, then build and run the tests; commit the result as one change.
"""
import pathlib
import re
import subprocess
import sys

# Each folder below src/afw with the files it takes from the top.
SOURCES = {
    "core": [
        "afApp.cpp", "afApp.h", "afDelegate.h", "afExceptionBoundary.cpp", "afExceptionBoundary.h",
        "afInstanceControl.cpp", "afInstanceControl.h", "afLog.h", "afModuleInstance.cpp",
        "afModuleInstance.h", "afOwnedHandle.h", "afPanic.cpp", "afPanic.h", "afServiceHooks.cpp",
        "afServiceHooks.h", "afShell.cpp", "afShell.h",
    ],
    "view": [
        "ObjectNode.cpp", "ObjectNode.h", "afInput.cpp", "afInput.h", "afLayoutParams.h", "afRect.cpp",
        "afRect.h", "afSeed.h", "afView.cpp", "afView.h", "afViewEvents.cpp", "afViewEvents.h",
        "afViewInput.cpp", "afViewLayout.cpp", "afViewMeasureSpec.cpp", "afViewMeasureSpec.h",
        "afViewPlatform.cpp", "afViewPlatform.h", "afViewPlatformFrames.cpp", "afViewPlatformMenus.cpp",
        "afViewPlatformMessages.cpp", "afViewPlatformServices.cpp", "afViewTimer.cpp", "afViewTimer.h",
        "afViewVirtual.cpp", "afViewVirtual.h", "afWidget.cpp", "afWidget.h", "afWidgetProc.cpp",
        "afWidgetTable.cpp", "afWidgetTable.h",
    ],
    "window": [
        "afHelperWindow.cpp", "afHelperWindow.h", "afIButton.h", "afTaskWindow.h", "afTestWindow.cpp",
        "afTestWindow.h", "afWindow.cpp", "afWindow.h", "afWindowDialog.h", "afWindowHint.h",
        "afWindowInput.cpp", "afWindowKinds.cpp", "afWindowMain.h", "afWindowModal.cpp",
        "afWindowPlacement.cpp",
    ],
    "action": [
        "FilterData.cpp", "FilterData.h", "afAction.cpp", "afAction.h", "afActionChooser.cpp",
        "afActionChooser.h", "afActionFilterData.cpp", "afActionFilterData.h", "afActionInvoker.cpp",
        "afActionInvoker.h", "afActionInvokerTab.cpp", "afActionKeyMessages.cpp", "afActionRegistry.cpp",
        "afActionRegistry.h", "afActionTrigger.cpp", "afActionTrigger.h", "afKeyCombination.cpp",
        "afKeyCombination.h",
    ],
    "menu": [
        "afMenu.cpp", "afMenu.h", "afMenuDef.cpp", "afMenuDef.h", "afMenuDraw.cpp", "afMenuNode.cpp",
        "afMenuNode.h", "afStaticMenuModel.cpp", "afStaticMenuModel.h",
    ],
    "graphics": [
        "afBitmap.cpp", "afBitmap.h", "afCanvas.cpp", "afCanvas.h", "afCanvasBuffer.cpp", "afCanvasBuffer.h",
        "afCanvasPaint.cpp", "afCanvasPaint.h", "afCanvasRegion.cpp", "afCanvasRegion.h",
        "afCanvasWidget.cpp", "afCanvasWidget.h", "afColorDrawable.h", "afDrawable.cpp", "afDrawable.h",
        "afDrawableNinePatch.h", "afDrawables.cpp", "afFrameDrawable.h", "afIcon.cpp", "afIcon.h",
        "afIconList.cpp", "afIconList.h", "afImagePack.cpp", "afImagePack.h", "afNinePatch.cpp",
        "afNinePatch.h", "afPng.cpp", "afPng.h", "afStockResources.cpp", "afStockResources.h",
        "afStretch.cpp", "afWindowsUX.cpp", "afWindowsUX.h",
    ],
    "data": [
        "afClipboard.cpp", "afClipboard.h", "afClipboardRing.cpp", "afClipboardRing.h", "afComObject.h",
        "afDataBlock.cpp", "afDataBlock.h", "afDataFormat.cpp", "afDataFormat.h", "afDataObject.cpp",
        "afDataObject.h", "afDataObjectComposite.cpp", "afDataObjectComposite.h", "afDataObjectFiles.cpp",
        "afDataObjectFiles.h", "afDataObjectScalar.cpp", "afDataObjectScalar.h", "afDataObjectText.cpp",
        "afDataObjectText.h", "afDragScope.cpp", "afDragScope.h", "afDropAction.cpp", "afDropAction.h",
        "afDropSource.cpp", "afDropSource.h", "afDropTarget.cpp", "afDropTarget.h", "afIDataObject.cpp",
        "afIDataObject.h", "afIDropTarget.cpp", "afIDropTarget.h", "afIEnumFORMATETC.cpp",
        "afIEnumFORMATETC.h",
    ],
    "dialog": [
        "afDialogFile.cpp", "afDialogFile.h", "afFileFilter.h", "afMessageBox.cpp", "afMessageBox.h",
        "afQuestion.cpp", "afQuestion.h",
    ],
    # A windowless busy indicator: a small control.
    "control": ["afSpinner.cpp", "afSpinner.h"],
}

# Each folder below tests/afw with the tests it takes from the top.
TESTS = {
    "core": ["AppTest.cpp", "InstanceControlTest.cpp", "PanicTest.cpp"],
    "view": [
        "InputTest.cpp", "RectTest.cpp", "ViewMeasureTest.cpp", "ViewTimerTest.cpp", "ViewTreeTest.cpp",
        "WidgetLayoutTest.cpp", "WidgetTest.cpp",
    ],
    "window": ["WindowPlacementTest.cpp", "WindowTest.cpp"],
    "action": ["ActionDispatchTest.cpp", "ActionRegistryTest.cpp", "KeyCombinationTest.cpp", "KeyInvokerTest.cpp"],
    "menu": ["MenuDrawTest.cpp", "MenuTest.cpp"],
    "graphics": [
        "BitmapTest.cpp", "CanvasTest.cpp", "NinePatchTest.cpp", "PngTest.cpp", "StockResourcesTest.cpp",
        "WindowsUXTest.cpp",
    ],
    "data": ["ClipboardRingTest.cpp", "ClipboardTest.cpp", "DataBlockTest.cpp", "DataObjectTest.cpp", "DragDropTest.cpp"],
    "dialog": ["FileDialogTest.cpp", "MessageBoxTest.cpp"],
    "control": ["SpinnerTest.cpp"],
}

CODE = (".h", ".hpp", ".cpp", ".inl")
# The files whose text may name a moved path: code and resource scripts under the three trees, the
# build files, the scripts and the top pages.
REWRITTEN = [("src", CODE + (".rc",)), ("tests", CODE), ("bench", CODE)]
REWRITTEN_NAMES = ("CMakeLists.txt",)
REWRITTEN_ELSEWHERE = ["CMakeLists.txt", "ARCHITECTURE.md", "README.md", "cmake/*.cmake", "scripts/*.py", "scripts/*.sh"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(mapping):
    flat = {}
    for folder, names in mapping.items():
        for name in names:
            if name in flat:
                raise SystemExit(f"{name} is mapped twice ({flat[name]}, {folder})")
            flat[name] = folder
    return flat


def plan(root, top, mapping, suffixes):
    """The moves (old, new) for the files at the top of root/top; exits on a file without a folder."""
    present = sorted(p.name for p in (root / top).iterdir() if p.is_file() and p.suffix in suffixes)
    unmapped = [name for name in present if name not in mapping]
    if unmapped:
        raise SystemExit(f"{top}: no folder for " + ", ".join(unmapped) + " (add them to this script)")
    for name in sorted(set(mapping) - set(present)):
        print(f"{top}/{name}: not there any more, skipped")
    return [(f"{top}/{name}", f"{top}/{mapping[name]}/{name}") for name in present]


def files_to_rewrite(root):
    found = []
    for top, suffixes in REWRITTEN:
        for path in sorted((root / top).rglob("*")):
            if path.is_file() and (path.suffix in suffixes or path.name in REWRITTEN_NAMES):
                found.append(path)
    for pattern in REWRITTEN_ELSEWHERE:
        found.extend(sorted(root.glob(pattern)))
    this = pathlib.Path(__file__).resolve()
    return [path for path in found if path.resolve() != this]


def sort_include_runs(lines, touched):
    """Keeps the include runs that were in order before the rewrite in order after it."""
    start = 0
    while start < len(lines):
        if not INCLUDE.match(lines[start][1]):
            start += 1
            continue
        end = start
        while end < len(lines) and INCLUDE.match(lines[end][1]):
            end += 1
        run = lines[start:end]
        before = [old for old, _ in run]
        if any(i in touched for i in range(start, end)) and before == sorted(before, key=include_key):
            lines[start:end] = sorted(run, key=lambda pair: include_key(pair[1]))
        start = end
    return [new for _, new in lines]


def include_key(line):
    return INCLUDE.match(line).group(1)


def rewrite(path, pattern, renamed):
    text = path.read_text(encoding="utf-8")
    old_lines = text.splitlines(keepends=True)
    pairs, touched = [], set()
    for i, line in enumerate(old_lines):
        new = pattern.sub(lambda m: renamed[m.group(0)], line)
        if new != line:
            touched.add(i)
        pairs.append((line, new))
    if not touched:
        return 0
    path.write_text("".join(sort_include_runs(pairs, touched)), encoding="utf-8")
    return len(touched)


def git(root, *args):
    return subprocess.run(["git", "-C", str(root), *args], check=True, capture_output=True, text=True).stdout


def main(argv):
    dry = "--dry-run" in argv
    args = [a for a in argv if a != "--dry-run"]
    root = pathlib.Path(args[0] if args else ".").resolve()
    sources, tests = folder_of(SOURCES), folder_of(TESTS)
    if set(sources) & set(tests):
        raise SystemExit("a source and a test share a name: " + ", ".join(sorted(set(sources) & set(tests))))
    moves = plan(root, "src/afw", sources, (".h", ".cpp")) + plan(root, "tests/afw", tests, (".h", ".cpp"))
    if git(root, "status", "--porcelain", "--", "src/afw", "tests/afw"):
        raise SystemExit("src/afw or tests/afw has changes not committed: commit or stash them first")
    # "afw/<name>" as a whole path part (not "afw/<name>x", nor "xafw/<name>") becomes
    # "afw/<folder>/<name>": the includes, and the paths "src/afw/..." and "tests/afw/...".
    renamed = {}
    for old, new in moves:
        renamed[old.split("/", 1)[1]] = new.split("/", 1)[1]
    names = sorted(renamed, key=len, reverse=True)
    pattern = re.compile(r"(?<![\w.-])(?:" + "|".join(re.escape(n) for n in names) + r")(?![\w.-])")
    if dry:
        for old, new in moves:
            print(f"{old} -> {new}")
        return 0
    for old, new in moves:
        (root / new).parent.mkdir(parents=True, exist_ok=True)
        git(root, "mv", old, new)
    changed_files = changed_lines = 0
    for path in files_to_rewrite(root):
        count = rewrite(path, pattern, renamed)
        if count:
            changed_files += 1
            changed_lines += count
    print(f"moved {len(moves)} files; rewrote {changed_lines} lines in {changed_files} files")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
