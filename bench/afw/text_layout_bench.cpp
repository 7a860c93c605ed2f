// afUnicode::process beside the bare Uniscribe calls it is built on (ScriptItemize, then
// ScriptShape with the item's own estimate as its room and ScriptPlace for every item), on the
// same text and font in the same run: 20,000 generated lines of C (target: ratio <= 1.25, and
// no heap allocation per line once warm), one 155 KB line of minified CSS unwrapped and wrapped
// at 100 columns (ratio <= 1.0; under 80 and 100 ms; half the line in <= 0.55 of the time), and
// the caret queries at the end of that line (under 0.5 ms).

#include "afw/TextBenchData.h"
#include "afw/impl/win32/uniscribe/afUniscribe.h"
#include "support/Bench.h"
#include "support/CountingHeap.h"

namespace {

// The bare calls over a line, with buffers kept from line to line.
class BareCalls {
public:
    explicit BareCalls(afFontEntry& font) : m_font(font), m_dc(::CreateCompatibleDC(nullptr)), m_items(64) {
        ::SelectObject(m_dc, font.font);
    }
    ~BareCalls() { ::DeleteDC(m_dc); }

    void run(const std::wstring& text) {
        const afUniscribeApi& uniscribe = afSystemUniscribe();
        const int length = static_cast<int>(text.size());
        int count = 0;
        while (uniscribe.itemize(text.data(), length, static_cast<int>(m_items.size()), &m_control, &m_state,
                                 m_items.data(), &count) == E_OUTOFMEMORY)
            m_items.resize(m_items.size() * 2);
        for (int i = 0; i < count; ++i) {
            const int first = m_items[i].iCharPos, characters = m_items[i + 1].iCharPos - first;
            const int room = characters + characters / 2 + 16;
            if (static_cast<int>(m_glyphs.size()) < room) {
                m_glyphs.resize(room);
                m_attributes.resize(room);
                m_advances.resize(room);
                m_offsets.resize(room);
            }
            if (static_cast<int>(m_clusters.size()) < characters)
                m_clusters.resize(characters);
            SCRIPT_ANALYSIS analysis = m_items[i].a;
            int glyphs = 0;
            HDC dc = nullptr;
            HRESULT result;
            while ((result = uniscribe.shape(dc, &m_font.cache, text.data() + first, characters, room, &analysis,
                                             m_glyphs.data(), m_clusters.data(), m_attributes.data(), &glyphs)) ==
                       E_PENDING &&
                   !dc)
                dc = m_dc;
            if (FAILED(result))
                continue;
            ABC abc;
            dc = nullptr;
            while (uniscribe.place(dc, &m_font.cache, m_glyphs.data(), glyphs, m_attributes.data(), &analysis,
                                   m_advances.data(), m_offsets.data(), &abc) == E_PENDING &&
                   !dc)
                dc = m_dc;
        }
    }

private:
    afFontEntry& m_font;
    HDC m_dc;
    SCRIPT_CONTROL m_control = {};
    SCRIPT_STATE m_state = {};
    std::vector<SCRIPT_ITEM> m_items;
    std::vector<WORD> m_glyphs, m_clusters;
    std::vector<SCRIPT_VISATTR> m_attributes;
    std::vector<int> m_advances;
    std::vector<GOFFSET> m_offsets;
};

} // namespace

int main() {
    bench::BenchLayout setup;
    afUnicode& layout = setup.layout;
    BareCalls bare(setup.primaryFont());

    // Lines of C, each coloured as an editor would.
    const std::vector<std::wstring> lines = bench::cSourceLines(20000);
    std::vector<std::vector<uint32_t>> colours(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        bench::colourC(lines[i], colours[i]);
    afUnicodeData record;
    auto layAll = [&] {
        for (size_t i = 0; i < lines.size(); ++i) {
            bench::fillRecord(record, lines[i]);
            record.attributes.entries = colours[i];
            layout.process(record);
        }
    };
    layAll();
    const long long before = bench::allocations();
    const double laid = bench::bestOf(3, layAll);
    const double perLine = static_cast<double>(bench::allocations() - before) / (3.0 * lines.size());
    const double bareLines = bench::bestOf(3, [&] {
        for (const std::wstring& line : lines)
            bare.run(line);
    });
    bench::figure("unicode_process_c_lines", lines.size() / laid, "lines/s");
    bench::figureBeside("unicode_process_c_line", laid * 1e6 / lines.size(), "us", "bare",
                        bareLines * 1e6 / lines.size());
    bench::figure("unicode_process_allocations_per_line", perLine, "count");

    // One long minified line, unwrapped, wrapped at 100 columns, and half as long.
    const std::wstring css = bench::minifiedCss(155000), half = css.substr(0, css.size() / 2);
    auto timeLine = [&](const std::wstring& text, int wrapColumns) {
        layout.setWrapWidth(wrapColumns * layout.getAverageCharWidth());
        return bench::bestOf(5, [&] {
            bench::fillRecord(record, text);
            std::fill(record.attributes.entries.begin(), record.attributes.entries.end(), 0);
            layout.process(record);
        });
    };
    const double bareCss = bench::bestOf(5, [&] { bare.run(css); });
    const double unwrapped = timeLine(css, 0), halfTime = timeLine(half, 0), wrapped = timeLine(css, 100);
    bench::figureBeside("unicode_process_css_155k", unwrapped * 1e3, "ms", "bare", bareCss * 1e3);
    bench::figureBeside("unicode_process_css_155k_wrapped", wrapped * 1e3, "ms", "bare", bareCss * 1e3);
    bench::figure("unicode_process_css_half_vs_full", halfTime / unwrapped, "ratio");
    bench::figure("unicode_process_css_sublines", record.sublineCount(), "count");

    // The caret at the end of the unwrapped line.
    timeLine(css, 0);
    const int end = afUnicode::lengthOf(record);
    int x = 0;
    const double xTime = bench::bestOf(20, [&] { x = layout.getX(record, end, false, 0); });
    bool trailing;
    int extra;
    const double offsetTime = bench::bestOf(20, [&] { layout.getOffsetFromX(record, x - 3, trailing, extra); });
    bench::figure("unicode_get_x_css_end", xTime * 1e6, "us");
    bench::figure("unicode_offset_from_x_css_end", offsetTime * 1e6, "us");
    return 0;
}
