#pragma once
// Figures of a benchmark program: after the usual console table, every figure
// named here is printed once as
//     FIGURE|<name>|<value>|<unit>|<target>|<peer ratio>
// which bench/report gathers into one table. Link ostrand_bench_main instead
// of benchmark_main to get them.

#include <string>
#include <utility>

namespace ostrand::bench {

// Where a figure's value comes from: a run is named by its function and its
// arguments ("BM_RebootFleet/200"); a metric is a user counter of that run
// ("commands/s", "bytes_per_second") or "ms" / "cpu_ms" for the wall or
// processor time of one iteration in milliseconds.
struct FigureSource {
    std::string run;
    std::string metric;
};

struct Figure {
    Figure(std::string figureName, FigureSource figureSource, double figureScale, std::string figureUnit,
           std::string figureTarget = "-", FigureSource peerSource = {}, bool ratioPeerOverValue = false,
           bool ratioIsValue = false)
        : name(std::move(figureName)),
          source(std::move(figureSource)),
          scale(figureScale),
          unit(std::move(figureUnit)),
          target(std::move(figureTarget)),
          peer(std::move(peerSource)),
          peerOverValue(ratioPeerOverValue),
          valueIsRatio(ratioIsValue) {}

    std::string name;
    FigureSource source;
    double scale;        // the value printed is the metric times this
    std::string unit;
    std::string target;  // ">=N", "<=N" or "-"
    // The peer the figure is set against, if any; the peer ratio printed is
    // value / peer, or peer / value with `peerOverValue`.
    FigureSource peer;
    bool peerOverValue;
    // The figure is the peer ratio itself (unit "x"), with the target on it.
    bool valueIsRatio;
};

// Registers a figure; returns true so it can initialise a namespace-scope
// constant.
bool AddFigure(Figure figure);

// The FIGURE line, with the numbers rounded for reading.
std::string FigureLine(const std::string& name, double value, const std::string& unit,
                       const std::string& target, const std::string& peerRatio);

}  // namespace ostrand::bench
