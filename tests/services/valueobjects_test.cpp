// The value objects crossing the membership-services boundary: the string size protocol, the
// interface query, reference counting on one and on several threads, and the support helpers.

#include "services/mbscintegervalue.h"
#include "services/mbscstringvalue.h"
#include "services/mbsref.h"
#include "services/mbsvaluesupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Counts destructions, so a test sees when an object deleted itself.
std::atomic<int> destroyed{0};

class CountedValue : public MBS::CBaseImpl<MBS::SignedInt32Value, MBS::kCodeSignedInt32>
{
public:
    static CountedValue *create() { return new CountedValue(); }
    MBS::Result getValue(int32_t *value) override
    {
        *value = 7;
        return MBS::kSuccess;
    }

private:
    ~CountedValue() override { ++destroyed; }
};

TEST(ValueObjectsTest, FourCharacterCodesReadFromTheMostSignificantByte)
{
    EXPECT_EQ(MBS::kCodeSignedInt32, 0x73696E74u);
    EXPECT_EQ(MBS::kCodeUnsignedInt32, 0x75696E74u);
    EXPECT_EQ(MBS::kCodeString, 0x62537472u);
    EXPECT_EQ(MBS::kCodeBase, 0x62417345u);
    EXPECT_EQ(MBS::kErrorGeneric, 0x6572726F);
    EXPECT_EQ(MBS::kErrorBufferTooSmall, 0x62756649);
}

struct SizeRow
{
    const char *name;
    bool withBuffer;
    uint32_t size;
    MBS::Result result;
    bool copied;
};

class StringValueSizeTest : public ::testing::TestWithParam<SizeRow>
{
};

TEST_P(StringValueSizeTest, GetValueFollowsTheSizeProtocol)
{
    const SizeRow row = GetParam();
    MBS::Ref<MBS::CStringValue> value(MBS::CStringValue::create("abc"));
    ASSERT_TRUE(value);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    uint32_t size = row.size;
    EXPECT_EQ(value->getValue(row.withBuffer ? buffer : nullptr, &size), row.result);
    EXPECT_EQ(size, 4u);
    if (row.copied)
        EXPECT_STREQ(buffer, "abc");
    else
        EXPECT_EQ(buffer[0], 'x') << "a buffer too small must stay untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StringValueSizeTest,
    ::testing::Values(SizeRow{"NoBuffer", false, 0, MBS::kErrorBufferTooSmall, false},
                      SizeRow{"NoBufferLargeSize", false, 100, MBS::kErrorBufferTooSmall, false},
                      SizeRow{"SizeZero", true, 0, MBS::kErrorBufferTooSmall, false},
                      SizeRow{"SizeOfTextWithoutNul", true, 3, MBS::kErrorBufferTooSmall, false},
                      SizeRow{"SizeExact", true, 4, MBS::kSuccess, true},
                      SizeRow{"SizeLarger", true, 8, MBS::kSuccess, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ValueObjectsTest, StringValueWithoutSizePointerIsAnError)
{
    MBS::Ref<MBS::CStringValue> value(MBS::CStringValue::create("abc"));
    char buffer[8];
    EXPECT_EQ(value->getValue(buffer, nullptr), MBS::kErrorGeneric);
}

TEST(ValueObjectsTest, EmptyStringNeedsOneByte)
{
    MBS::Ref<MBS::CStringValue> value(MBS::CStringValue::create(std::string()));
    char buffer = 'x';
    uint32_t size = 1;
    EXPECT_EQ(value->getValue(&buffer, &size), MBS::kSuccess);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(buffer, '\0');
}

TEST(ValueObjectsTest, QueryForAnotherCodeFailsAndClearsTheOutPointer)
{
    MBS::Ref<MBS::CSignedInt32Value> value(MBS::CSignedInt32Value::create(-5));
    for (const uint32_t code : {MBS::kCodeUnsignedInt32, MBS::kCodeString, 0u}) {
        MBS::Base *out = value.get(); // a stale pointer the query must clear
        EXPECT_EQ(value->queryInterface(code, &out), MBS::kErrorGeneric);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(value->refCount(), 1);
    EXPECT_EQ(value->queryInterface(MBS::kCodeBase, nullptr), MBS::kErrorGeneric);
}

TEST(ValueObjectsTest, QueryForOwnCodeOrBaseAddsAReference)
{
    MBS::Ref<MBS::CSignedInt32Value> value(MBS::CSignedInt32Value::create(-5));
    for (const uint32_t code : {MBS::kCodeBase, MBS::kCodeSignedInt32}) {
        MBS::Base *out = nullptr;
        ASSERT_EQ(value->queryInterface(code, &out), MBS::kSuccess);
        EXPECT_EQ(out, static_cast<MBS::Base *>(value.get()));
        EXPECT_EQ(value->refCount(), 2);
        EXPECT_EQ(out->release(), 1);
    }
    int32_t number = 0;
    EXPECT_EQ(value->getValue(&number), MBS::kSuccess);
    EXPECT_EQ(number, -5);
}

TEST(ValueObjectsTest, UnsignedValueAnswersOnlyToItsOwnCode)
{
    MBS::Ref<MBS::CUnsignedInt32Value> value(MBS::CUnsignedInt32Value::create(0xfffffffeu));
    EXPECT_EQ(MBS::queryInterface<MBS::Base>(value.get(), MBS::kCodeSignedInt32), nullptr);
    MBS::Ref<MBS::UnsignedInt32Value> same(
        MBS::queryInterface<MBS::UnsignedInt32Value>(value.get(), MBS::kCodeUnsignedInt32));
    ASSERT_TRUE(same);
    uint32_t number = 0;
    EXPECT_EQ(same->getValue(&number), MBS::kSuccess);
    EXPECT_EQ(number, 0xfffffffeu);
    EXPECT_EQ(same->getValue(nullptr), MBS::kErrorGeneric);
}

TEST(ValueObjectsTest, ReleaseOfTheLastReferenceDeletesAndReturnsZero)
{
    destroyed = 0;
    CountedValue *value = CountedValue::create();
    value->addRef();
    EXPECT_EQ(value->release(), 1);
    EXPECT_EQ(destroyed.load(), 0);
    EXPECT_EQ(value->release(), 0);
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(ValueObjectsTest, CountsStayExactUnderConcurrentAddAndRelease)
{
    destroyed = 0;
    CountedValue *value = CountedValue::create();
    constexpr int threads = 8;
    constexpr int rounds = 20000;
    std::atomic<bool> go{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&]() {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < rounds; ++i) {
                value->addRef();
                value->addRef();
                value->release();
                value->release();
            }
        });
    }
    go = true;
    for (std::thread &worker : workers)
        worker.join();
    EXPECT_EQ(value->refCount(), 1);
    EXPECT_EQ(destroyed.load(), 0);

    // Many holders let go at once: exactly one release deletes, after all the others.
    for (int t = 0; t < threads; ++t)
        value->addRef();
    std::atomic<int> zeros{0};
    workers.clear();
    for (int t = 0; t <= threads; ++t)
        workers.emplace_back([&]() {
            if (value->release() == 0)
                ++zeros;
        });
    for (std::thread &worker : workers)
        worker.join();
    EXPECT_EQ(zeros.load(), 1);
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(ValueObjectsTest, MakeAndReadStringValue)
{
    MBS::StringValue *value = nullptr;
    ASSERT_EQ(MBS::makeStringValue("en_us", &value), MBS::kSuccess);
    ASSERT_NE(value, nullptr);
    value->addRef(); // keep one to see that reading consumed exactly one
    EXPECT_EQ(MBS::readStringValue(value), "en_us");
    EXPECT_EQ(static_cast<MBS::CStringValue *>(value)->refCount(), 1);
    value->release();
    EXPECT_EQ(MBS::makeStringValue("x", nullptr), MBS::kErrorGeneric);
    EXPECT_EQ(MBS::readStringValue(nullptr), "");
}

TEST(ValueObjectsTest, ReadingStopsAtTheFirstNul)
{
    MBS::StringValue *value = nullptr;
    ASSERT_EQ(MBS::makeStringValue(std::string("ab\0cd", 5), &value), MBS::kSuccess);
    EXPECT_EQ(MBS::readStringValue(value), "ab");
}

TEST(ValueObjectsTest, RefReleasesWhatItHolds)
{
    destroyed = 0;
    {
        MBS::Ref<CountedValue> held(CountedValue::create());
        MBS::Ref<CountedValue> moved(std::move(held));
        EXPECT_FALSE(held);
        EXPECT_EQ(destroyed.load(), 0);
    }
    EXPECT_EQ(destroyed.load(), 1);
}

} // namespace
