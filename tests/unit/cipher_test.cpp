#include "services/cipher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Alphabet() {
    std::string all;
    for (int c = 32; c <= 126; ++c) all.push_back(static_cast<char>(c));
    return all;
}

// Published values of the runtime's generator, to 16 significant digits.
TEST(BasicRandom, MatchesTheRuntimeFromItsStartState) {
    vt::BasicRandom random;
    EXPECT_EQ(random.State(), 0x50000u);
    EXPECT_NEAR(random.Draw(), 0.7055475115776060, 1e-15);
    EXPECT_NEAR(random.Draw(), 0.5334240198135370, 1e-15);
    EXPECT_NEAR(random.Draw(), 0.5795186161994930, 1e-15);
}

TEST(BasicRandom, NegativeArgumentReseedsFromItsBits) {
    vt::BasicRandom random;
    random.Draw();
    EXPECT_NEAR(random.Draw(-1.0f), 0.2240070104598999, 1e-15);
    vt::BasicRandom reset;
    reset.Reset();
    EXPECT_EQ(reset.State(), random.State());

    vt::BasicRandom ten;
    EXPECT_NEAR(ten.Draw(-10.0f), 0.3276443, 5e-8);
    ten.Reseed(10);
    EXPECT_NEAR(ten.Draw(), 0.2077829, 5e-8);
    EXPECT_NEAR(ten.Draw(), 0.4407803, 5e-8);
    EXPECT_NEAR(ten.Draw(), 0.6152623, 5e-8);
}

TEST(BasicRandom, ReseedReplacesOnlyTheMiddleBits) {
    vt::BasicRandom random;
    random.Reset();
    uint32_t low = random.State() & 0xFF;
    random.Reseed(1976);
    EXPECT_EQ(random.State(), 0xA09E86u);
    EXPECT_EQ(random.State() & 0xFF, low);
    vt::BasicRandom as_double;
    as_double.Reset();
    as_double.Reseed(1976.0);
    EXPECT_EQ(as_double.State(), 0xA09E86u);
}

TEST(BasicRandom, ZeroRepeatsAndPositiveAdvances) {
    vt::BasicRandom random;
    float first = random.Draw(1.0f);
    EXPECT_EQ(random.Draw(0.0f), first);
    EXPECT_EQ(random.Draw(0.0f), first);
    EXPECT_NEAR(random.Draw(5.0f), 0.5334240198135370, 1e-15);
}

TEST(BasicRandom, KeyIsTheFloorOfTheDrawTimes96) {
    vt::BasicRandom keys, draws;
    keys.Reset();
    draws.Reset();
    keys.Reseed(vt::DeriveCipherSeed(vt::CipherKey));
    draws.Reseed(vt::DeriveCipherSeed(vt::CipherKey));
    for (int i = 0; i < 10000; ++i) {
        int key = keys.DrawKey();
        double draw = draws.Draw();
        ASSERT_EQ(key, static_cast<int>(draw * 96)) << i;
        ASSERT_GE(key, 0);
        ASSERT_LE(key, 95);
    }
}

// A key of zero bytes but one 1 at position i gives 2^a ^ 2^b for that position's shift pair.
TEST(DeriveCipherSeed, UsesTheShiftPairsInOrder) {
    const std::vector<std::pair<int, int>> pairs = {{0, 0},   {7, 13}, {14, 3},  {2, 16}, {9, 6},
                                                    {16, 19}, {4, 9},  {11, 22}, {18, 12}};
    for (size_t i = 0; i < pairs.size(); ++i) {
        std::string key(pairs.size(), '\0');
        key[i] = '\x01';
        uint32_t expected = (1u << pairs[i].first) ^ (1u << pairs[i].second);
        EXPECT_EQ(static_cast<uint32_t>(vt::DeriveCipherSeed(key)), expected) << "position " << i;
    }
    // The shifts wrap: the tenth character uses (a, b) = (6, 2).
    std::string tenth(10, '\0');
    tenth[9] = '\x01';
    EXPECT_EQ(vt::DeriveCipherSeed(tenth), (1 << 6) ^ (1 << 2));
}

TEST(DeriveCipherSeed, OfTheBuiltInKey) {
    EXPECT_EQ(vt::DeriveCipherSeed("5"), 0);  // the first character cancels itself
    EXPECT_EQ(vt::DeriveCipherSeed("58"), ('8' << 7) ^ ('8' << 13));
    EXPECT_EQ(vt::DeriveCipherSeed(vt::CipherKey), 206919204);
    EXPECT_EQ(vt::DeriveCipherSeed(""), 0);
}

TEST(Cipher, EachCharacterShiftsByItsKeyValue) {
    vt::BasicRandom random;
    random.Reset();
    random.Reseed(vt::DeriveCipherSeed(vt::CipherKey));
    std::string plain = "Password 123~";
    std::string expected;
    for (char c : plain) expected.push_back(static_cast<char>((c - 32 + random.DrawKey()) % 95 + 32));
    EXPECT_EQ(vt::EncipherPassword(plain), expected);
}

TEST(Cipher, RoundTripsTheWholeAlphabet) {
    std::string all = Alphabet();
    std::string forward = all, backward(all.rbegin(), all.rend());
    std::string repeated;
    for (int i = 0; i < 20; ++i) repeated += all;
    for (const std::string& plain : {forward, backward, repeated, std::string(300, ' '), std::string("~")}) {
        std::string cipher = vt::EncipherPassword(plain);
        ASSERT_EQ(cipher.size(), plain.size());
        for (char c : cipher) ASSERT_TRUE(c >= 32 && c <= 126);
        EXPECT_EQ(vt::DecipherPassword(cipher), plain);
    }
    // Decipher is the inverse as well as the other way round.
    EXPECT_EQ(vt::EncipherPassword(vt::DecipherPassword(repeated)), repeated);
}

TEST(Cipher, CharactersOutsideTheAlphabetAreDroppedWithoutADraw) {
    const std::string ascii = "ab c~9";
    const std::string expected = vt::EncipherPassword(ascii);
    EXPECT_EQ(vt::EncipherPassword("\x01"
                                   "ab\t c\x7f~\n9\x1f"),
              expected);
    EXPECT_EQ(vt::EncipherPassword("宽ab带 c账~号9"), expected);
    EXPECT_EQ(vt::EncipherPassword("ab c~9中文"), expected);
    EXPECT_EQ(vt::EncipherPassword("\xff\x80"
                                   "ab c~9"),
              expected);
    EXPECT_EQ(vt::DecipherPassword("中" + expected + "\r\n"), ascii);
    EXPECT_EQ(vt::EncipherPassword("只有中文"), "");
    EXPECT_EQ(vt::DecipherPassword("只有中文\t"), "");
}

TEST(Cipher, EmptyAndDeterministic) {
    EXPECT_EQ(vt::EncipherPassword(""), "");
    EXPECT_EQ(vt::DecipherPassword(""), "");
    const std::string first = vt::EncipherPassword("secret");
    // Whatever the state of any other generator, each call starts afresh.
    vt::BasicRandom other;
    other.Draw();
    EXPECT_EQ(vt::EncipherPassword("secret"), first);
    EXPECT_EQ(vt::DecipherPassword(first), "secret");
    EXPECT_EQ(vt::DecipherPassword(first), vt::DecipherPassword(first));
}

}  // namespace
