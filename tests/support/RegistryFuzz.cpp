#include "RegistryFuzz.h"

namespace ZrTest
{

CValue Generate(std::mt19937& random, const std::vector<std::wstring>& likely)
{
    static const DWORD types[] = {REG_SZ,    REG_SZ,     REG_EXPAND_SZ,
                                  REG_DWORD, REG_BINARY, REG_MULTI_SZ};
    static const wchar_t alphabet[] = L"0123456789..--+  abcxyzRU\t\u0410\u00E9\uFFFF%";
    auto pick = [&](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };

    CValue value;
    value.Type = types[pick(sizeof(types) / sizeof(types[0]))];
    const size_t size = pick(65);
    std::wstring text;
    switch (pick(4))
    {
    case 0: // raw bytes
        for (size_t i = 0; i < size; ++i)
            value.Data.push_back(static_cast<BYTE>(pick(256)));
        return value;
    case 1: // a likely value, cut or padded to the size
        text = likely[pick(likely.size())];
        break;
    default: // random characters
        for (size_t i = 0; i < size / 2 + 1; ++i)
            text += alphabet[pick(sizeof(alphabet) / sizeof(wchar_t) - 1)];
        break;
    }
    if (pick(2))
        text += L'\0';
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    value.Data.assign(bytes, bytes + text.size() * sizeof(wchar_t));
    // Mostly the text's own size, sometimes the random one (cut, or padded with zeros).
    if (pick(3) == 0)
        value.Data.resize(size, 0);
    return value;
}

} // namespace ZrTest
