// Scope-path building as the scope registry builds a record's path: 100 000 paths of depth 6 to
// 10 pushed without copying and compiled, beside a naive path (a vector of copied names and a
// vector of their dot-prefix hashes). Live heap bytes are counted through this program's own
// operator new, pools included. Prints:
//   scope_path_build <paths/s> paths/s
//   scope_path_build_naive <paths/s> paths/s
//   scope_path_build_vs_naive <ratio> ratio      (target: >= 1)
//   scope_path_bytes <bytes> bytes/path
//   scope_path_bytes_naive <bytes> bytes/path    (target: ours no more)

#include "ScopeNames.h"
#include "pel/base/Crc.h"
#include "service/parser/base/ScopePath.h"
#include "support/Bench.h"
#include "support/CountingHeap.h"

#include <algorithm>
#include <memory>

namespace {

struct NaivePath {
    std::vector<std::wstring> names; // innermost first
    std::vector<uint32_t> parts;     // dot-prefix hashes, outermost name first

    void compile() {
        parts.clear();
        for (size_t i = names.size(); i-- > 0;) {
            const std::wstring& name = names[i];
            uint32_t hash = 0;
            size_t hashed = 0;
            for (size_t at = 0; at <= name.size(); ++at) {
                if (at < name.size() && name[at] != L'.')
                    continue;
                hash = pel::crc32Continue(hash, name.data() + hashed, (at - hashed) * sizeof(wchar_t));
                hashed = at;
                parts.push_back(hash);
            }
        }
    }
};

constexpr size_t PATHS = 100000;

// Best time of three builds of every path; the paths of the last build stay, and o_bytes is the
// heap they hold.
template <class Path, class Build>
double bestBuild(std::vector<std::unique_ptr<Path>>& paths, long long* o_bytes, Build build) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        for (auto& path : paths)
            path.reset();
        const long long before = bench::liveBytes();
        const double start = bench::seconds();
        for (size_t i = 0; i < paths.size(); ++i)
            paths[i] = build(i);
        best = std::min(best, bench::seconds() - start);
        *o_bytes = bench::liveBytes() - before;
    }
    return best;
}

} // namespace

int main() {
    bench_scopes::Lcg random(6101);
    // The grammar's names, which a record's path points into.
    std::vector<std::vector<std::wstring>> names;
    names.reserve(PATHS);
    for (size_t i = 0; i < PATHS; ++i)
        names.push_back(bench_scopes::makePath(random, 6 + random.below(5)));

    std::vector<std::unique_ptr<tessel::ScopePath>> paths(PATHS);
    std::vector<std::unique_ptr<NaivePath>> naive(PATHS);
    long long bytes = 0, naiveBytes = 0;
    const double ours = bestBuild(paths, &bytes, [&](size_t i) {
        auto path = std::make_unique<tessel::ScopePath>();
        for (const std::wstring& name : names[i])
            path->push(static_cast<uint32_t>(name.size()), name.c_str(), false, 0);
        path->compile();
        return path;
    });
    const double theirs = bestBuild(naive, &naiveBytes, [&](size_t i) {
        auto path = std::make_unique<NaivePath>();
        for (const std::wstring& name : names[i])
            path->names.push_back(name);
        path->compile();
        return path;
    });
    for (size_t i = 0; i < PATHS; ++i)
        if (paths[i]->parts() != naive[i]->parts) {
            std::fprintf(stderr, "path %u: the part hashes differ\n", unsigned(i));
            return 1;
        }
    bench::figure("scope_path_build_naive", PATHS / theirs, "paths/s");
    bench::figureBeside("scope_path_build", PATHS / ours, "paths/s", "naive", PATHS / theirs);
    bench::figure("scope_path_bytes", double(bytes) / PATHS, "bytes/path");
    bench::figure("scope_path_bytes_naive", double(naiveBytes) / PATHS, "bytes/path");
    return 0;
}
