// The till's test fixture, shared with the point-of-sale tests.
#include "../pos/posting_fixture.cpp"  // NOLINT(bugprone-suspicious-include)
#include "../pos/till_fixture.cpp"     // NOLINT(bugprone-suspicious-include)
