// Decimal arithmetic as posting uses it: a VAT split per line and a running total.
#include <benchmark/benchmark.h>

#include "util/decimal.h"
#include "util/picture.h"

namespace {

using tavlo::Decimal;

void VatSplitPerLine(benchmark::State& state) {
    const Decimal qty = Decimal::of("3.000"), price = Decimal::of("19.995"), rate = Decimal::of("15.0");
    for (auto _ : state) {
        Decimal amount = tavlo::storeDecimal(qty * price, 7, 2);
        Decimal vat = tavlo::storeDecimal(amount * rate / (Decimal(100) + rate), 7, 2);
        benchmark::DoNotOptimize(amount - vat);
    }
}
BENCHMARK(VatSplitPerLine);

void RunningTotal(benchmark::State& state) {
    const Decimal line = Decimal::of("12.34");
    for (auto _ : state) {
        Decimal total;
        for (int i = 0; i < 100; ++i) total += line;
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(RunningTotal);

void FormatAmount(benchmark::State& state) {
    const Decimal v = Decimal::of("-1234567.891");
    for (auto _ : state) benchmark::DoNotOptimize(tavlo::formatPicture("@n-15.2", v));
}
BENCHMARK(FormatAmount);

}  // namespace
