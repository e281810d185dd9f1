#pragma once
#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <string>

// Qt Test classes of this folder register themselves here; the one test executable runs the
// class named by its first argument (one ctest entry per class), or all of them.
using CTestFactory = std::function<std::unique_ptr<QObject>()>;
std::map<std::string, CTestFactory>& TestClasses();

struct CTestRegistration {
    CTestRegistration(const char* name, CTestFactory factory) {
        TestClasses().emplace(name, std::move(factory));
    }
};

#define QUELTA_REGISTER_TEST(Class)                                                                \
    static const CTestRegistration Class##Registration(                                            \
        #Class, [] { return std::unique_ptr<QObject>(new Class); })
