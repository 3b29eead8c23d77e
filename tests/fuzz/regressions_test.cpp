// Every fuzz target over its corpus (the seeds and every crashing input found, kept as
// regression cases), then over inputs made by changing those at random: no crash, no throw, no
// broken property. TAVLO_FUZZ_SECONDS=<n> keeps making inputs for n seconds per target, the
// random-input driver where no libFuzzer is at hand.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_target.h"

namespace tavlo::fuzz {
void check(bool holds, const char* what) {
    if (!holds) throw std::logic_error(std::string("property does not hold: ") + what);
}
}  // namespace tavlo::fuzz

namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

struct Named {
    const char* name;
    Target run;
};
const Named kTargets[] = {
    {"picture", tavlo::fuzz::picture},
    {"filter", tavlo::fuzz::filter},
    {"settings", tavlo::fuzz::settings},
    {"definition", tavlo::fuzz::definition},
};

std::vector<std::pair<std::string, std::string>> corpus(const std::string& target) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(TAVLO_FUZZ_CORPUS) / target)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        out.emplace_back(entry.path().filename().string(), bytes.str());
    }
    return out;
}

void runOne(Target run, const std::string& input) {
    run(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

// One change of the kinds a fuzzer makes: a byte changed, put in, taken out, or a piece of
// another input spliced in.
std::string mutate(std::string input, const std::vector<std::pair<std::string, std::string>>& all, std::mt19937& rng) {
    static const char kInteresting[] = "0123456789.-()@nsdtpb<#,:=[]'\"\n\t~&|*/+ \xC3\xFF";
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) {
        const std::size_t at = input.empty() ? 0 : rng() % (input.size() + 1);
        const char byte = rng() % 3 ? kInteresting[rng() % (sizeof kInteresting - 1)] : static_cast<char>(rng());
        switch (rng() % 5) {
            case 0:
                if (at < input.size()) input[at] = byte;
                break;
            case 1: input.insert(at, 1, byte); break;
            case 2:
                if (at < input.size()) input.erase(at, 1 + rng() % 4);
                break;
            case 3: input.insert(at, std::string(1 + rng() % 40, byte)); break;
            default: {
                const std::string& other = all[rng() % all.size()].second;
                if (!other.empty()) {
                    const std::size_t from = rng() % other.size();
                    input.insert(at, other.substr(from, 1 + rng() % 16));
                }
            }
        }
    }
    return input.size() > 4096 ? input.substr(0, 4096) : input;
}

class Fuzz : public ::testing::TestWithParam<Named> {};

TEST_P(Fuzz, CorpusAndKeptCrashingInputs) {
    const auto all = corpus(GetParam().name);
    ASSERT_FALSE(all.empty());
    for (const auto& [name, input] : all) {
        SCOPED_TRACE(name);
        EXPECT_NO_THROW(runOne(GetParam().run, input));
    }
}

TEST_P(Fuzz, RandomChangesOfTheCorpus) {
    const auto all = corpus(GetParam().name);
    ASSERT_FALSE(all.empty());
    const char* seconds = std::getenv("TAVLO_FUZZ_SECONDS");
    // Without a time given: at least 200 inputs and up to 1 500 within a second (a settings
    // write waits for the disk).
    const auto start = std::chrono::steady_clock::now();
    const auto until = start + std::chrono::seconds(seconds ? std::atoi(seconds) : 0);
    std::mt19937 rng(seconds ? std::random_device()() : 20240611u);
    auto more = [&](long round) {
        const auto now = std::chrono::steady_clock::now();
        if (seconds) return now < until;
        return round < 200 || (round < 1500 && now < start + std::chrono::seconds(1));
    };
    for (long round = 0; more(round); ++round) {
        const std::string input = mutate(all[rng() % all.size()].second, all, rng);
        try {
            runOne(GetParam().run, input);
        } catch (const std::exception& e) {
            FAIL() << e.what() << " on input " << ::testing::PrintToString(input);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, Fuzz, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<Named>& info) { return std::string(info.param.name); });

}  // namespace
