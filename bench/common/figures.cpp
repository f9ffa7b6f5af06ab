#include "figures.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrand::bench {
namespace {

std::vector<Figure>& Registered() {
    static std::vector<Figure> figures;
    return figures;
}

std::string NumberText(double value) {
    char text[64];
    const double magnitude = std::fabs(value);
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 3;
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string RunKey(const benchmark::BenchmarkReporter::Run& run) {
    const std::string& args = run.run_name.args;
    return args.empty() ? run.run_name.function_name : run.run_name.function_name + "/" + args;
}

std::optional<double> MetricOf(const benchmark::BenchmarkReporter::Run& run, std::string_view metric) {
    if (run.error_occurred || run.iterations == 0) return std::nullopt;
    const double iterations = static_cast<double>(run.iterations);
    if (metric == "ms") return run.real_accumulated_time / iterations * 1000.0;
    if (metric == "cpu_ms") return run.cpu_accumulated_time / iterations * 1000.0;
    const auto counter = run.counters.find(std::string(metric));
    if (counter == run.counters.end()) return std::nullopt;
    return counter->second.value;
}

// The console table as usual; the runs are kept and the figures printed at
// the end, when every run a ratio needs has been seen. With repetitions the
// median stands for the run.
class FigureReporter : public benchmark::ConsoleReporter {
public:
    explicit FigureReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median) {
                auto& kept = runs_[RunKey(run)];
                if (median || !kept.fromMedian) kept = Kept{run, median};
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        for (const Figure& figure : Registered()) {
            const auto value = Metric(figure.source);
            if (!value) continue;  // not run (filtered out) or failed
            std::optional<double> ratio;
            if (!figure.peer.run.empty()) {
                const auto peer = Metric(figure.peer);
                if (peer && *peer != 0 && *value != 0) ratio = figure.peerOverValue ? *peer / *value : *value / *peer;
            }
            if (figure.valueIsRatio) {
                if (!ratio) continue;
                out << FigureLine(figure.name, *ratio, figure.unit, figure.target, NumberText(*ratio)) << '\n';
            } else {
                out << FigureLine(figure.name, *value * figure.scale, figure.unit, figure.target,
                                  ratio ? NumberText(*ratio) : "-")
                    << '\n';
            }
        }
        out.flush();
    }

private:
    struct Kept {
        Run run;
        bool fromMedian = false;
    };

    std::optional<double> Metric(const FigureSource& source) const {
        const auto it = runs_.find(source.run);
        if (it == runs_.end()) return std::nullopt;
        return MetricOf(it->second.run, source.metric);
    }

    std::map<std::string, Kept> runs_;
};

}  // namespace

bool AddFigure(Figure figure) {
    Registered().push_back(std::move(figure));
    return true;
}

std::string FigureLine(const std::string& name, double value, const std::string& unit,
                       const std::string& target, const std::string& peerRatio) {
    return "FIGURE|" + name + "|" + NumberText(value) + "|" + unit + "|" + target + "|" + peerRatio;
}

}  // namespace ostrand::bench

// Any other output format (--benchmark_format=json for scripts) is left as
// the library writes it.
int main(int argc, char** argv) {
    bool console = true;
    bool colour = isatty(STDOUT_FILENO) != 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.rfind("--benchmark_format=", 0) == 0 && arg != "--benchmark_format=console") console = false;
        if (arg == "--benchmark_color=false" || arg == "--benchmark_color=no") colour = false;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (console) {
        using Reporter = ostrand::bench::FigureReporter;
        Reporter reporter(colour ? Reporter::OO_Defaults : Reporter::OO_Tabular);
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
