#include "vst3/support/TestEffect.h"  // first: renames the controller's state pair

#include <gtest/gtest.h>

#include <cstring>

#include "vst3/IEffectVST3Factory.h"
#include "vst3/sdk/CPluginFactory.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A field holds text followed by zeros up to its full width.
void ExpectField(const char* field, size_t width, const char* text)
{
  const size_t n = strlen(text);
  ASSERT_LT(n, width);
  EXPECT_EQ(memcmp(field, text, n), 0) << text;
  for (size_t i = n; i < width; ++i) ASSERT_EQ(field[i], 0) << text << " at " << i;
}

const char kClassID[16] = {0x01, 0x23, 0x45, 0x67, (char)0x89, (char)0xAB, (char)0xCD, (char)0xEF,
                           (char)0xFE, (char)0xDC, (char)0xBA, (char)0x98, 0x76, 0x54, 0x32, 0x10};

}  // namespace

TEST(Factory, OneFactoryPerModuleWithOneReferencePerCall)
{
  IPluginFactory* a = GetPluginFactory();
  ASSERT_NE(a, nullptr);
  IPluginFactory* b = GetPluginFactory();
  EXPECT_EQ(a, b);
  EXPECT_EQ(gPluginFactory, a);
  EXPECT_EQ(b->release(), 1u);
  EXPECT_EQ(a->release(), 0u);
  // The last release destroys it; the next call builds a new one.
  EXPECT_EQ(gPluginFactory, nullptr);
  IPluginFactory* c = GetPluginFactory();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->countClasses(), 1);
  c->release();
}

TEST(Factory, ClassInformationToTheByte)
{
  IPluginFactory* factory = GetPluginFactory();
  PFactoryInfo fi;
  memset((void*)&fi, 0x55, sizeof(fi));
  ASSERT_EQ(factory->getFactoryInfo(&fi), kResultOk);
  ExpectField(fi.vendor, PFactoryInfo::kNameSize, "Test Vendor");
  ExpectField(fi.url, PFactoryInfo::kURLSize, "https://example.invalid/");
  ExpectField(fi.email, PFactoryInfo::kEmailSize, "tests@example.invalid");
  EXPECT_EQ(fi.flags, 16);

  ASSERT_EQ(factory->countClasses(), 1);
  PClassInfo ci;
  ASSERT_EQ(factory->getClassInfo(0, &ci), kResultOk);
  EXPECT_EQ(memcmp(ci.cid, kClassID, 16), 0);
  EXPECT_EQ(ci.cardinality, 0x7FFFFFFF);
  ExpectField(ci.category, PClassInfo::kCategorySize, "Audio Module Class");
  ExpectField(ci.name, PClassInfo::kNameSize, "TestFx");
  EXPECT_EQ(factory->getClassInfo(1, &ci), kInvalidArgument);
  EXPECT_EQ(factory->getClassInfo(-1, &ci), kInvalidArgument);

  IPluginFactory3* f3 = nullptr;
  ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid, (void**)&f3), kResultOk);
  PClassInfo2 c2;
  memset((void*)&c2, 0x55, sizeof(c2));
  ASSERT_EQ(f3->getClassInfo2(0, &c2), kResultOk);
  EXPECT_EQ(memcmp(c2.cid, kClassID, 16), 0);
  EXPECT_EQ(c2.cardinality, 0x7FFFFFFF);
  ExpectField(c2.category, PClassInfo::kCategorySize, "Audio Module Class");
  ExpectField(c2.name, PClassInfo::kNameSize, "TestFx");
  EXPECT_EQ(c2.classFlags, 2u);
  ExpectField(c2.subCategories, PClassInfo2::kSubCategoriesSize, "Fx|EQ");
  ExpectField(c2.vendor, PClassInfo2::kVendorSize, "");
  ExpectField(c2.version, PClassInfo2::kVersionSize, "1.2.3");
  ExpectField(c2.sdkVersion, PClassInfo2::kVersionSize, kVstVersionString);  // the SDK built against

  PClassInfoW cw;
  ASSERT_EQ(f3->getClassInfoUnicode(0, &cw), kResultOk);
  EXPECT_EQ(memcmp(cw.cid, kClassID, 16), 0);
  EXPECT_EQ(cw.name[0], 'T');
  EXPECT_EQ(cw.name[6], 0);
  EXPECT_EQ(cw.sdkVersion[4], '3');
  EXPECT_EQ(f3->getClassInfoUnicode(1, &cw), kInvalidArgument);
  EXPECT_EQ(f3->getFactoryInfo(nullptr), kInvalidArgument);
  f3->release();
  factory->release();
}

TEST(Factory, CreatesIndependentInstances)
{
  IPluginFactory* factory = GetPluginFactory();
  const int before = TestEffect::sInstances;
  IAudioProcessor* a = nullptr;
  IComponent* b = nullptr;
  ASSERT_EQ(factory->createInstance(kClassID, IAudioProcessor::iid, (void**)&a), kResultOk);
  ASSERT_EQ(factory->createInstance(kClassID, IComponent::iid, (void**)&b), kResultOk);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(TestEffect::sInstances, before + 2);
  IComponent* aComponent = nullptr;
  ASSERT_EQ(a->queryInterface(IComponent::iid, (void**)&aComponent), kResultOk);
  EXPECT_NE(aComponent, b);
  aComponent->release();

  // Each holds exactly the reference handed out.
  EXPECT_EQ(a->release(), 0u);
  EXPECT_EQ(b->release(), 0u);
  EXPECT_EQ(TestEffect::sInstances, before);

  // Unknown class or interface: nothing is created and *obj is null.
  void* obj = &obj;
  const char unknown[16] = {1};
  EXPECT_EQ(factory->createInstance(unknown, IComponent::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  obj = &obj;
  EXPECT_EQ(factory->createInstance(kClassID, IPluginFactory::iid, &obj), kNoInterface);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(TestEffect::sInstances, before);
  EXPECT_EQ(factory->createInstance(kClassID, IComponent::iid, nullptr), kInvalidArgument);
  factory->release();
}

TEST(Factory, RegistersClassesOfEveryRecordKind)
{
  PFactoryInfo info("V", "U", "E", PFactoryInfo::kUnicode);
  auto* factory = new CPluginFactory(info);
  TUID cid = {};
  for (int i = 0; i < 6; ++i)
  {
    cid[0] = (char)i;
    PClassInfo2 ci(cid, PClassInfo::kManyInstances, "cat", "name", 0, "sub", "", "1", "sdk");
    ASSERT_TRUE(factory->registerClass(&ci, CreateEffectInstance));
  }
  cid[0] = 9;
  PClassInfoW wide(cid, 1, "cat", STR16("wide"), 0, "sub", nullptr, STR16("2"), STR16("sdk"));
  ASSERT_TRUE(factory->registerClass(&wide, CreateEffectInstance));
  EXPECT_FALSE(factory->registerClass((PClassInfo2*)nullptr, CreateEffectInstance));
  EXPECT_FALSE(factory->registerClass(&wide, nullptr));
  EXPECT_EQ(factory->countClasses(), 7);
  EXPECT_TRUE(factory->isRegistered(cid));
  PClassInfo2 c2;
  EXPECT_EQ(factory->getClassInfo2(6, &c2), kResultFalse);  // registered as UTF-16
  PClassInfoW cw;
  ASSERT_EQ(factory->getClassInfoUnicode(2, &cw), kResultOk);
  EXPECT_EQ(cw.name[0], 'n');
  factory->release();
}
