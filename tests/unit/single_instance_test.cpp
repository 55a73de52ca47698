// The one-copy rule: how the answer of creating the instance event is read, checked against the
// answers the system really gives for events of names of the test's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "app/single_instance.h"
#include "support/unique.h"

namespace {

TEST(SingleInstance, AnotherCopyHoldsTheEventOnlyWhenItExistedOrRefusesThisCopy) {
    struct Case { bool handle; DWORD error; bool another; const char* label; };
    constexpr Case cases[] = {
        {true, ERROR_SUCCESS, false, "made by this copy"},
        {true, ERROR_ALREADY_EXISTS, true, "made by another copy"},
        {false, ERROR_ACCESS_DENIED, true, "made by another copy with other rights"},
        {false, ERROR_INVALID_HANDLE, false, "the name taken by another kind of object: no copy of ours"},
        {false, ERROR_NOT_ENOUGH_MEMORY, false, "no event at all: run rather than never"},
    };
    for (const Case& c : cases) EXPECT_EQ(AnotherCopyHolds(c.handle, c.error), c.another) << c.label;
}

// What CreateEventA answers, read by the rule, for an event this test made (or not) first.
struct Answer {
    bool handle;
    DWORD error;
};
Answer CreateNamedEvent(const std::string& name) {
    UniqueHandle event(CreateEventA(nullptr, FALSE, FALSE, name.c_str()));
    const DWORD error = GetLastError();
    return {static_cast<bool>(event), error};
}

TEST(SingleInstance, TheRuleReadsTheSystemsRealAnswers) {
    const std::string name = "KestruneInstanceTest" + std::to_string(GetCurrentProcessId());

    Answer first = CreateNamedEvent(name);
    EXPECT_TRUE(first.handle);
    EXPECT_FALSE(AnotherCopyHolds(first.handle, first.error)) << "nobody holds it: error " << first.error;

    UniqueHandle held(CreateEventA(nullptr, FALSE, FALSE, name.c_str()));
    ASSERT_TRUE(held);
    Answer second = CreateNamedEvent(name);
    EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(AnotherCopyHolds(second.handle, second.error)) << "held: error " << second.error;

    // An event whose security grants nothing to anybody, as one made by a copy with other rights
    // looks to this one.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:", SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_ATTRIBUTES closed{sizeof closed, descriptor, FALSE};
    UniqueHandle refusing(CreateEventA(&closed, FALSE, FALSE, (name + "-closed").c_str()));
    LocalFree(descriptor);
    ASSERT_TRUE(refusing);
    Answer denied = CreateNamedEvent(name + "-closed");
    EXPECT_FALSE(denied.handle);
    EXPECT_EQ(denied.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(AnotherCopyHolds(denied.handle, denied.error)) << "refused: error " << denied.error;
}

TEST(SingleInstance, TheCopyThatHoldsTheEventIsStillTheOnlyOneWhenAskedAgain) {
    ASSERT_TRUE(ClaimSingleInstance()) << "another process of this session holds the program's event";
    EXPECT_TRUE(ClaimSingleInstance());
}

}  // namespace
