// Maps 宋体 onto AR PL UMing for the face tests, as the program's own font file does at start;
// it must run before Pango first uses fonts.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace {

class FaceFonts : public ::testing::Environment {
public:
    void SetUp() override
    {
        static const char* xml = R"(<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><alias binding="same"><family>宋体</family><prefer><family>AR PL UMing CN</family></prefer></alias></fontconfig>)";
        FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(xml), FcTrue);
    }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new FaceFonts);

} // namespace
