// A million relevés: R relevés (1,000,000 unless --releves N) of 40 species each
// out of S species (20,000 unless --species S), added to an empty table, ordered
// by recip, cut into 50 groups by 49 empty columns and summed up in the synoptic
// table. Each command runs as tamsel-batch runs it: its arguments answer its
// dialogs, and it is one step of the history. The record way of the add reads
// record numbers up to 65,535, so the relevés come in pairs of 50,000, one add
// each. Prints each command's processor seconds beside its aim and as a multiple
// of reading the pairs' files plainly, and the peak memory; then, when
// tamsel-batch is built beside the bench, the same commands as one run of it,
// for the peak of the whole run.
//   bench_million_bench [--releves N] [--species S]
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/synoptic.h"
#include "app/session/batch.h"
#include "app/session/session.h"
#include "bench_pairs.h"
#include "bench_table.h"
#include "platform/error.h"
#include "support/temp_dir.h"
#include "table/table_layout.h"
#include "text/sjis.h"

using namespace tamsel;
using bench::cpuSeconds;
using bench::peakMiB;

namespace {

constexpr int Groups = 50;

using Line = std::vector<std::string>;

// The commands of the run: the adds, recip, the empty columns, the synoptic table.
struct Plan {
    std::vector<Line> adds;
    Line recip{"recip"};
    std::vector<Line> cuts;
    Line synoptic;
};

Plan planFor(const std::vector<std::string>& pairs, int releves, const std::string& csv) {
    Plan p;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const int count =
            std::min(bench::PairSize, releves - static_cast<int>(k) * bench::PairSize);
        p.adds.push_back({"add", pairs[k] + ".rli", "--records", "1-" + std::to_string(count)});
    }
    // From the right, so that the columns to the left keep their places.
    const int per = releves / Groups;
    for (int g = Groups - 1; g >= 1; --g)
        p.cuts.push_back({"insert-col", std::to_string(TableLayout::releveCol(g * per + 1))});
    p.synoptic = {"synoptic", csv};
    return p;
}

// The heap in use, in bytes.
double heapBytes() {
    return static_cast<double>(mallinfo2().uordblks + mallinfo2().hblkhd);
}

// A note's first hundred bytes or so in UTF-8, cut between characters.
std::string shortened(const std::string& sjis) {
    std::string text = toUtf8(sjis);
    std::size_t end = 100;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return end < text.size() ? text.substr(0, end) + " ..." : text;
}

double gb(double mib) {
    return mib * 1024.0 * 1024.0 / 1e9;
}

// A session that runs command lines as tamsel-batch does.
struct Runner {
    Session s;
    BatchUi ui;
    std::ostringstream out, err;
    BatchContext ctx{s, ui, out, err};
    std::vector<BatchCommand> reg = allBatchCommands();

    Runner() { FormCreate(s, ui, {}, false); }

    // The processor seconds of one command; throws Error as the command does.
    double run(const Line& line) {
        const BatchCommand* cmd = nullptr;
        for (const auto& c : reg)
            if (c.name == line[0]) cmd = &c;
        if (!cmd) throw Error("no command " + line[0]);
        ArgReader in(Line(line.begin() + 1, line.end()));
        return cpuSeconds([&] {
            HistoryStep step(s.table, commandTitle(*cmd));
            runCommandLine(*cmd, ctx, in);
        });
    }
    double run(const std::vector<Line>& lines) {
        double sum = 0;
        for (const Line& l : lines) sum += run(l);
        return sum;
    }
};

// tamsel-batch beside this program, if it is there.
std::string batchProgram() {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path batch = self.parent_path() / "tamsel-batch";
    return std::filesystem::exists(batch) ? batch.string() : std::string();
}

// Runs program with the plan's commands as one command line, its output in log;
// its processor seconds and peak.
struct ChildRun {
    int status = -1;
    double seconds = 0, peakMiB = 0;
};
ChildRun runBatchProgram(const std::string& program, const Plan& p, const std::string& log) {
    std::vector<std::string> args{program};
    auto append = [&](const Line& l) { args.insert(args.end(), l.begin(), l.end()); };
    for (const Line& l : p.adds) append(l);
    append(p.recip);
    for (const Line& l : p.cuts) append(l);
    append(p.synoptic);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(log.c_str(), "w", stdout) || dup2(fileno(stdout), 2) < 0) _exit(127);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ChildRun r;
    rusage u{};
    if (pid < 0 || wait4(pid, &r.status, 0, &u) != pid) return r;
    r.seconds = static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    r.peakMiB = static_cast<double>(u.ru_maxrss) / 1024.0;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (bench::writePairIfAsked(argc, argv)) return 0;
    // Each figure as soon as it is there: the whole run takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int releves = 1000000, species = 20000;
    for (int k = 1; k + 1 < argc; ++k) {
        if (std::strcmp(argv[k], "--releves") == 0) releves = std::atoi(argv[k + 1]);
        if (std::strcmp(argv[k], "--species") == 0) species = std::atoi(argv[k + 1]);
    }
    if (releves < Groups || species < bench::PairPerReleve) {
        std::fprintf(stderr, "usage: bench_million_bench [--releves N>=50] [--species S>=40]\n");
        return 2;
    }
    testing::TempDir dir;
    std::vector<std::string> pairs;
    const double writing =
        bench::seconds([&] { pairs = bench::writePairs(dir, releves, species); });
    std::uintmax_t bytes = 0;
    for (const auto& p : pairs)
        bytes += std::filesystem::file_size(p + ".rli") + std::filesystem::file_size(p + ".rld");
    const double floor = bench::readPairsFloor(pairs);
    const Plan plan = planFor(pairs, releves, dir.file("synoptic.csv"));
    std::printf(
        "%d relevés x %d species, %d species each: %zu pairs, %.0f MiB (written in %.1f s)\n",
        releves, species, bench::PairPerReleve, pairs.size(),
        static_cast<double>(bytes) / (1024.0 * 1024.0), writing);
    std::printf("  reading the pairs' files (floor): %.3f s\n", floor);
    auto ratio = [&](double s) { return s / floor; };

    bool ok = true;
    try {
        Runner r;
        const double heapBefore = heapBytes();
        const double add = r.run(plan.adds);
        const double addPeak = peakMiB(), heap = heapBytes() - heapBefore;
        TableState& t = r.s.table;
        ok = ok && t.model.releveCount() == releves && t.model.speciesCount() == species;
        std::printf(
            "  add (%zu commands):    %7.2f s  (aim: under 30 s; %.0f x the floor)  NR=%d NS=%d\n",
            plan.adds.size(), add, ratio(add), t.model.releveCount(), t.model.speciesCount());
        std::printf(
            "  peak after the add:   %7.0f MiB = %.2f GB  (aim: under 2.5 GB); heap %.0f MiB, "
            "of which the undo log %.0f MiB\n",
            addPeak, gb(addPeak), heap / (1024.0 * 1024.0),
            static_cast<double>(t.history.bytes()) / (1024.0 * 1024.0));
        const double recip = r.run(plan.recip);
        std::string said = r.err.str();
        if (!said.empty() && said.back() == '\n') said.pop_back();
        std::printf("  recip:                %7.2f s  (aim: under 10 s; %.0f x the floor)  %s\n",
                    recip, ratio(recip), said.c_str());
        const double cuts = r.run(plan.cuts);
        std::printf("  49 empty columns:     %7.2f s  (insert-col, 49 commands)\n", cuts);
        const double synoptic = r.run(plan.synoptic);
        const std::size_t groups = releveGroups(t.model.numSp(), t.model.releveCount()).size();
        ok = ok && groups == Groups;
        Synoptic s;
        const double compute = cpuSeconds([&] { s = computeSynoptic(t, SynopticOptions{}); });
        std::printf(
            "  synoptic, %zu groups: %7.2f s  (aim: under 2 s; %.1f x the floor); of which the "
            "table itself %.2f s, the CSV %.0f KiB\n",
            groups, synoptic, ratio(synoptic), compute,
            static_cast<double>(std::filesystem::file_size(plan.synoptic[1])) / 1024.0);
        std::printf("  peak of this process: %7.0f MiB = %.2f GB\n", peakMiB(), gb(peakMiB()));
        for (const std::string& m : r.ui.messages)
            std::printf("  note: %s\n", shortened(m).c_str());
    } catch (const Error& e) {
        std::printf("  error: %s\n", toUtf8(e.what()).c_str());
        ok = false;
    }
    malloc_trim(0);

    if (const std::string program = batchProgram(); program.empty()) {
        std::printf("  (no tamsel-batch beside the bench: the whole run is not measured)\n");
    } else {
        const std::string log = dir.file("batch.log");
        const ChildRun c = runBatchProgram(program, plan, log);
        const bool done = WIFEXITED(c.status) && WEXITSTATUS(c.status) == 0;
        ok = ok && done;
        std::printf(
            "  tamsel-batch, the same %zu commands in one run: %.2f s, peak %.0f MiB = %.2f GB  "
            "(aim: under 2.5 GB)%s\n",
            plan.adds.size() + plan.cuts.size() + 2, c.seconds, c.peakMiB, gb(c.peakMiB),
            done ? "" : "  FAILED:");
        if (!done) {
            std::ifstream in(log);
            std::printf("%s", std::string(std::istreambuf_iterator<char>(in), {}).c_str());
        }
    }
    if (!ok) std::printf("  FAILED: the table, its groups or the run are not what was made\n");
    return ok ? 0 : 1;
}
