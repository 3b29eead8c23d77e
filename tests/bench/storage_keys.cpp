// Storage on tables of 1 000 and 100 000 posted lines: a keyed fetch, an insert, a key-order
// walk, and a 20-line document added in one transaction (which must not grow with the table).
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <random>

#include "data/file_manager.h"
#include "support.h"

namespace tavlo {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kLinesPerDocument = 20;

PQXT21 lineOf(std::uint32_t detail) {
    PQXT21 r;
    r.DOCUMENTNO = (detail - 1) / kLinesPerDocument + 1;
    r.DETAILNUMBER = detail;
    r.TRANSDATE = 80000 + static_cast<std::int32_t>(detail / 500);
    r.ACCNUMBER = static_cast<std::uint16_t>(1000 + detail % 7);
    r.ITEMCODE = "ITEM" + std::to_string(detail % 997);
    r.DESCRIPTION = "Line " + std::to_string(detail);
    r.REFERENCE1 = "A" + std::to_string(r.DOCUMENTNO);
    r.CREDIT = Decimal::fromScaled(detail % 100000, 2);
    r.VATCODE = detail % 3 ? "01" : "";
    return r;
}

// One filled table per size, made once and shared by the benchmarks of that size.
struct Filled {
    support::TempFolder folder;
    std::unique_ptr<Context> ctx;
    std::uint32_t rows = 0;
};

Filled& filled(std::uint32_t rows) {
    static std::map<std::uint32_t, std::unique_ptr<Filled>> tables;
    auto& slot = tables[rows];
    if (!slot) {
        slot = std::make_unique<Filled>();
        slot->ctx = std::make_unique<Context>(slot->folder.path());
        auto& t21 = slot->ctx->access<PQXT21>();
        t21.Open();
        for (std::uint32_t done = 0; done < rows;) {
            auto tx = slot->ctx->transaction<PQXT21>(2s);
            for (std::uint32_t i = 0; i < 10000 && done < rows; ++i) {
                t21.rec = lineOf(++done);
                support::seedAdd(t21);
            }
            tx.commit();
        }
        slot->rows = rows;
    }
    return *slot;
}

void BM_FetchByUniqueKey(benchmark::State& state) {
    Filled& f = filled(static_cast<std::uint32_t>(state.range(0)));
    auto& t21 = f.ctx->access<PQXT21>();
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::uint32_t> pick(1, f.rows);
    for (auto _ : state) {
        t21.rec.DETAILNUMBER = pick(rng);
        if (t21.Fetch(PT21::DetailNumberKey) != LevelBenign) state.SkipWithError("not found");
        benchmark::DoNotOptimize(t21.rec.CREDIT);
    }
}
BENCHMARK(BM_FetchByUniqueKey)->Arg(1000)->Arg(100000);

void BM_FetchByTextKey(benchmark::State& state) {
    Filled& f = filled(static_cast<std::uint32_t>(state.range(0)));
    auto& t21 = f.ctx->access<PQXT21>();
    std::mt19937 rng(9);
    std::uniform_int_distribution<std::uint32_t> pick(1, f.rows);
    for (auto _ : state) {
        t21.clearBuffer();
        t21.rec.REFERENCE1 = "a" + std::to_string((pick(rng) - 1) / kLinesPerDocument + 1);
        if (t21.Fetch(PT21::KeyRef1) != LevelBenign) state.SkipWithError("not found");
    }
}
BENCHMARK(BM_FetchByTextKey)->Arg(1000)->Arg(100000);

// Per record read: a whole walk of 1 000 records of a key with 20 duplicates per value.
void BM_WalkKeyOrder(benchmark::State& state) {
    Filled& f = filled(static_cast<std::uint32_t>(state.range(0)));
    auto& t21 = f.ctx->access<PQXT21>();
    const bool forward = state.range(1) != 0;
    std::uint32_t start = f.rows / 2;
    for (auto _ : state) {
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = start / kLinesPerDocument;
        t21.SetFrom(PT21::DocumentNoKey);
        for (int i = 0; i < 1000; ++i)
            if ((forward ? t21.Next() : t21.Previous()) != LevelBenign) break;
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_WalkKeyOrder)->Args({1000, 1})->Args({100000, 1})->Args({100000, 0});

// One line added on its own, committed to disk.
void BM_InsertOne(benchmark::State& state) {
    Filled& f = filled(static_cast<std::uint32_t>(state.range(0)));
    auto& t21 = f.ctx->access<PQXT21>();
    static std::uint32_t next = 10'000'000;
    for (auto _ : state) {
        t21.rec = lineOf(++next);
        if (t21.add() != ErrNone) state.SkipWithError(("add failed: " + t21.errorText()).c_str());
    }
}
BENCHMARK(BM_InsertOne)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Auto-numbered insert (the detail number found from the end of its key).
void BM_InsertAutoNumbered(benchmark::State& state) {
    Filled& f = filled(static_cast<std::uint32_t>(state.range(0)));
    auto& t21 = f.ctx->access<PQXT21>();
    for (auto _ : state) {
        auto tx = f.ctx->transaction<PQXT21>(2s);
        t21.rec = lineOf(1);
        if (t21.Insert() != LevelBenign) state.SkipWithError("insert failed");
        tx.commit();
    }
}
BENCHMARK(BM_InsertAutoNumbered)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A document: header and 20 lines in one transaction across two files, then read back.
void BM_DocumentOf20Lines(benchmark::State& state) {
    Filled& f = filled(static_cast<std::uint32_t>(state.range(0)));
    auto& t20 = f.ctx->access<PQXT20>();
    auto& t21 = f.ctx->access<PQXT21>();
    t20.Open();
    static std::uint32_t doc = 5'000'000, detail = 20'000'000;
    for (auto _ : state) {
        auto tx = f.ctx->transaction<PQXT20, PQXT21>(1s);
        t20.clearBuffer();
        t20.rec.DOCUMENTNO = ++doc;
        if (t20.add() != ErrNone) state.SkipWithError("header not added");
        for (std::uint32_t i = 0; i < kLinesPerDocument; ++i) {
            t21.rec = lineOf(1);
            t21.rec.DOCUMENTNO = doc;
            t21.rec.DETAILNUMBER = ++detail;
            if (t21.add() != ErrNone) state.SkipWithError("line not added");
        }
        t21.clearBuffer();
        t21.rec.DOCUMENTNO = doc;
        t21.SetFrom(PT21::DocumentNoKey);
        while (t21.Next() == LevelBenign && t21.rec.DOCUMENTNO == doc) {
        }
        if (!tx.commit()) state.SkipWithError("commit failed");
    }
}
BENCHMARK(BM_DocumentOf20Lines)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavlo
