// Generated registry values for the registry readers: whatever a value holds, they never read
// past their buffers, and what they make of it agrees with a reading made another way.
#pragma once

#include "Registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace ZrTest
{

struct CValue
{
    DWORD Type;
    std::vector<BYTE> Data;

    std::string Describe() const
    {
        std::string text =
            "type " + std::to_string(Type) + ", " + std::to_string(Data.size()) + " bytes:";
        for (BYTE b : Data)
        {
            char hex[4];
            snprintf(hex, sizeof(hex), " %02X", b);
            text += hex;
        }
        return text;
    }
};

// Text-like values most of the time, raw bytes sometimes; every type the registry reader may
// meet, byte sizes from 0 to 64 (odd ones too), with and without a terminator.
CValue Generate(std::mt19937& random, const std::vector<std::wstring>& likely);

// Seeds come from ZR_FUZZ_SEED when set, so that a failure can be replayed.
inline unsigned BaseSeed()
{
    const char* text = getenv("ZR_FUZZ_SEED");
    return text ? static_cast<unsigned>(strtoul(text, nullptr, 0)) : 20261208u;
}

// Stores 200 generated values in turn under the given registry value, restored afterwards,
// and checks each. Replays the seeds of ZR_FUZZ_SEED + `stream`.
template <class Check>
void ForEachValue(const CRegistryValueName& name, unsigned stream,
                  const std::vector<std::wstring>& likely, Check check)
{
    CScopedRegistryValue stored(name);
    const unsigned base = BaseSeed() + stream;
    const int cases = 200;
    for (int i = 0; i < cases && !testing::Test::HasFatalFailure(); ++i)
    {
        const unsigned seed = base + static_cast<unsigned>(i);
        std::mt19937 random(seed);
        const CValue value = Generate(random, likely);
        SCOPED_TRACE("seed " + std::to_string(seed) + " (set ZR_FUZZ_SEED to replay), " +
                     value.Describe());
        stored.Set(value.Type, value.Data.data(), static_cast<DWORD>(value.Data.size()));
        check(i, value);
    }
}

} // namespace ZrTest
