// The stand-in's filter mappers: what either mapper registers, the older
// mapper lists and either removes, all kept in the registry. Each test works
// on a registry file of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform.h"
#include "standin_hooks.h"
#include "tests/platform/test_thread.h"

namespace {

constexpr HRESULT kNotThere = static_cast<HRESULT>(0x80070002);

const CLSID kFilterA = {0x5A3C0F10, 0x1D2E, 0x4B6A, {0x9C, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x01}};
const CLSID kFilterB = {0x5A3C0F10, 0x1D2E, 0x4B6A, {0x9C, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x02}};
const CLSID kFilterC = {0x5A3C0F10, 0x1D2E, 0x4B6A, {0x9C, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x03}};
const CLSID kOtherCategory = {0x5A3C0F10, 0x1D2E, 0x4B6A, {0x9C, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x0C}};
const GUID kVideo = {0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kOtherSubtype = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const std::u16string kNameA = u"Filter \u00C5 one";  // not ASCII: the registry keeps UTF-8

// Releases an interface pointer when it goes.
template <typename Interface>
class Held {
 public:
  Held() = default;
  ~Held() {
    if (pointer_ != nullptr) {
      pointer_->Release();
    }
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }
  Interface** out() { return &pointer_; }
  void** outVoid() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

struct Listed {
  CLSID clsid;
  std::u16string name;
};

// What IFilterMapper::EnumMatchingFilters is asked.
struct Query {
  DWORD merit = 0;
  BOOL inputNeeded = FALSE;
  GUID inputMajor = GUID_NULL;
  GUID inputMinor = GUID_NULL;
  BOOL mustRender = FALSE;
  BOOL outputNeeded = FALSE;
  GUID outputMajor = GUID_NULL;
  GUID outputMinor = GUID_NULL;
};

Query OutputOf(GUID major, GUID minor = GUID_NULL) {
  Query query;
  query.outputNeeded = TRUE;
  query.outputMajor = major;
  query.outputMinor = minor;
  return query;
}

Query RenderedInputOf(GUID major, GUID minor) {
  Query query;
  query.inputNeeded = TRUE;
  query.mustRender = TRUE;
  query.inputMajor = major;
  query.inputMinor = minor;
  return query;
}

Query MeritAtLeast(DWORD merit) {
  Query query;
  query.merit = merit;
  return query;
}

class FilterMapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    registryPath_ = ::testing::TempDir() + "mapper-" + std::to_string(getpid()) + "-" + name + ".registry";
    std::remove(registryPath_.c_str());
    const char* previous = std::getenv("VELLORA_REGISTRY");
    previousRegistry_ = previous != nullptr ? previous : "";
    hadRegistry_ = previous != nullptr;
    setenv("VELLORA_REGISTRY", registryPath_.c_str(), 1);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2, mapper2_.outVoid()),
        S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper, mapper_.outVoid()),
              S_OK);
  }

  void TearDown() override {
    CoUninitialize();
    std::remove(registryPath_.c_str());
    if (hadRegistry_) {
      setenv("VELLORA_REGISTRY", previousRegistry_.c_str(), 1);
    } else {
      unsetenv("VELLORA_REGISTRY");
    }
  }

  // Walks the whole enumerator one record at a time, freeing each block.
  std::vector<Listed> List(const Query& query) {
    std::vector<Listed> listed;
    Held<IEnumRegFilters> filters;
    const HRESULT result =
        mapper_->EnumMatchingFilters(filters.out(), query.merit, query.inputNeeded, query.inputMajor, query.inputMinor,
                                     query.mustRender, query.outputNeeded, query.outputMajor, query.outputMinor);
    EXPECT_EQ(result, S_OK);
    if (FAILED(result)) {
      return listed;
    }
    REGFILTER* record = nullptr;
    ULONG fetched = 0;
    while (filters->Next(1, &record, &fetched) == S_OK) {
      EXPECT_EQ(fetched, 1u);
      listed.push_back({record->Clsid, record->Name});
      CoTaskMemFree(record);
    }
    EXPECT_EQ(fetched, 0u);
    return listed;
  }

  bool IsListed(REFCLSID clsid, const Query& query = {}) {
    for (const Listed& entry : List(query)) {
      if (entry.clsid == clsid) {
        return true;
      }
    }
    return false;
  }

  std::string registryPath_;
  Held<IFilterMapper2> mapper2_;
  Held<IFilterMapper> mapper_;

 private:
  std::string previousRegistry_;
  bool hadRegistry_ = false;
};

// One filter shape, registered three ways: an input pin that renders
// audio/PCM, and an output pin of audio with any subtype.
const REGPINTYPES kPcm = {&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM};
const REGPINTYPES kAnyAudio = {&MEDIATYPE_Audio, &GUID_NULL};

HRESULT RegisterVersion1(IFilterMapper2* mapper2, IFilterMapper*, REFCLSID clsid, LPCWSTR name, DWORD merit) {
  const REGFILTERPINS pins[] = {
      {const_cast<LPWSTR>(u"In"), TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, &kPcm},
      {const_cast<LPWSTR>(u"Out"), FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, u"", 1, &kAnyAudio},
  };
  REGFILTER2 record{};
  record.dwVersion = 1;
  record.dwMerit = merit;
  record.cPins = 2;
  record.rgPins = pins;
  return mapper2->RegisterFilter(clsid, name, nullptr, nullptr, nullptr, &record);
}

HRESULT RegisterVersion2(IFilterMapper2* mapper2, IFilterMapper*, REFCLSID clsid, LPCWSTR name, DWORD merit) {
  const REGFILTERPINS2 pins[] = {
      {REG_PINFLAG_B_RENDERER, 1, 1, &kPcm, 0, nullptr, nullptr},
      {REG_PINFLAG_B_OUTPUT, 1, 1, &kAnyAudio, 0, nullptr, nullptr},
  };
  REGFILTER2 record{};
  record.dwVersion = 2;
  record.dwMerit = merit;
  record.cPins2 = 2;
  record.rgPins2 = pins;
  return mapper2->RegisterFilter(clsid, name, nullptr, nullptr, nullptr, &record);
}

HRESULT RegisterLegacy(IFilterMapper2*, IFilterMapper* mapper, REFCLSID clsid, LPCWSTR name, DWORD merit) {
  HRESULT result = mapper->RegisterFilter(clsid, name, merit);
  if (SUCCEEDED(result)) result = mapper->RegisterPin(clsid, u"In", TRUE, FALSE, FALSE, FALSE, CLSID_NULL, nullptr);
  if (SUCCEEDED(result)) result = mapper->RegisterPinType(clsid, u"In", MEDIATYPE_Audio, MEDIASUBTYPE_PCM);
  if (SUCCEEDED(result)) result = mapper->RegisterPin(clsid, u"Out", FALSE, TRUE, FALSE, FALSE, CLSID_NULL, u"");
  if (SUCCEEDED(result)) result = mapper->RegisterPinType(clsid, u"Out", MEDIATYPE_Audio, GUID_NULL);
  return result;
}

using Registration = HRESULT (*)(IFilterMapper2*, IFilterMapper*, REFCLSID, LPCWSTR, DWORD);

struct RegistrationCase {
  const char* name;
  Registration registration;
};

const RegistrationCase kRegistrations[] = {
    {"Mapper2Version1", RegisterVersion1},
    {"Mapper2Version2", RegisterVersion2},
    {"LegacyCalls", RegisterLegacy},
};

std::string CaseName(const ::testing::TestParamInfo<RegistrationCase>& info) { return info.param.name; }

class RegisteredFilterTest : public FilterMapperTest, public ::testing::WithParamInterface<RegistrationCase> {};

TEST_P(RegisteredFilterTest, IsListedByWhatItsPinsOffer) {
  ASSERT_EQ(GetParam().registration(mapper2_.get(), mapper_.get(), kFilterA, kNameA.c_str(), MERIT_NORMAL), S_OK);

  const std::vector<Listed> all = List({});
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].clsid, kFilterA);
  EXPECT_EQ(all[0].name, kNameA);

  const struct {
    const char* what;
    Query query;
    bool listed;
  } cases[] = {
      {"output audio", OutputOf(MEDIATYPE_Audio), true},
      {"output audio PCM (registered subtype is any)", OutputOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM), true},
      {"output of another major type", OutputOf(kVideo), false},
      {"rendered input of audio PCM", RenderedInputOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM), true},
      {"rendered input of another subtype", RenderedInputOf(MEDIATYPE_Audio, kOtherSubtype), false},
      {"rendered input of another major type", RenderedInputOf(kVideo, GUID_NULL), false},
      {"merit at its own", MeritAtLeast(MERIT_NORMAL), true},
      {"merit above its own", MeritAtLeast(MERIT_NORMAL + 1), false},
  };
  for (const auto& given : cases) {
    EXPECT_EQ(IsListed(kFilterA, given.query), given.listed) << given.what;
  }
}

// Either mapper removes what either registered; the filter's own server keys
// stay, and a second removal finds nothing.
TEST_P(RegisteredFilterTest, EitherMapperUnregistersItAndLeavesTheServerKeys) {
  const std::string serverKey = "CLSID\\{5A3C0F10-1D2E-4B6A-9C01-112233445501}\\InprocServer32";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, serverKey.c_str(), &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueA(key, nullptr, REG_SZ, "/lib/a.so", 10), ERROR_SUCCESS);
  RegCloseKey(key);

  const std::vector<std::pair<const char*, std::function<HRESULT()>>> unregistrations = {
      {"IFilterMapper", [&] { return mapper_->UnregisterFilter(kFilterA); }},
      {"IFilterMapper2", [&] { return mapper2_->UnregisterFilter(nullptr, nullptr, kFilterA); }},
  };
  for (const auto& [through, unregister] : unregistrations) {
    ASSERT_EQ(GetParam().registration(mapper2_.get(), mapper_.get(), kFilterA, u"A", MERIT_NORMAL), S_OK);
    ASSERT_TRUE(IsListed(kFilterA)) << through;
    EXPECT_EQ(unregister(), S_OK) << through;
    EXPECT_FALSE(IsListed(kFilterA)) << through;
    EXPECT_EQ(unregister(), kNotThere) << through;

    char path[32] = {};
    LONG size = sizeof(path);
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, serverKey.c_str(), path, &size), ERROR_SUCCESS) << through;
    EXPECT_STREQ(path, "/lib/a.so") << through;
  }
}

INSTANTIATE_TEST_SUITE_P(Registrations, RegisteredFilterTest, ::testing::ValuesIn(kRegistrations), CaseName);

TEST_F(FilterMapperTest, MeritSelectsAmongFiltersOfBothMappers) {
  ASSERT_EQ(RegisterVersion1(mapper2_.get(), mapper_.get(), kFilterA, u"A", MERIT_DO_NOT_USE), S_OK);
  ASSERT_EQ(RegisterLegacy(mapper2_.get(), mapper_.get(), kFilterB, u"B", MERIT_NORMAL), S_OK);
  ASSERT_EQ(RegisterVersion2(mapper2_.get(), mapper_.get(), kFilterC, u"C", MERIT_UNLIKELY), S_OK);

  auto listedAbove = [&](DWORD merit) {
    std::vector<CLSID> found;
    for (const Listed& entry : List(MeritAtLeast(merit))) {
      found.push_back(entry.clsid);
    }
    return found;
  };
  EXPECT_EQ(listedAbove(0).size(), 3u);
  EXPECT_EQ(listedAbove(MERIT_UNLIKELY).size(), 2u);
  EXPECT_EQ(listedAbove(MERIT_NORMAL), std::vector<CLSID>{kFilterB});
  EXPECT_TRUE(listedAbove(MERIT_NORMAL + 1).empty());
}

TEST_F(FilterMapperTest, Mapper2KeepsCategoryAndInstanceApart) {
  IMoniker* moniker = reinterpret_cast<IMoniker*>(0x1);
  REGFILTER2 record{};
  record.dwVersion = 1;
  record.dwMerit = MERIT_NORMAL;
  ASSERT_EQ(mapper2_->RegisterFilter(kFilterA, u"A", &moniker, &kOtherCategory, u"first", &record), S_OK);
  EXPECT_EQ(moniker, nullptr);
  ASSERT_EQ(mapper2_->CreateCategory(kOtherCategory, MERIT_NORMAL, u"Other filters"), S_OK);

  const std::vector<Listed> all = List({});
  ASSERT_EQ(all.size(), 1u) << "a category is not a filter";
  EXPECT_EQ(all[0].clsid, kFilterA);

  EXPECT_EQ(mapper_->UnregisterFilter(kFilterA), kNotThere) << "not in the legacy category";
  EXPECT_EQ(mapper2_->UnregisterFilter(&kOtherCategory, u"second", kFilterA), kNotThere);
  EXPECT_EQ(mapper2_->UnregisterFilter(&kOtherCategory, u"first", kFilterA), S_OK);
  EXPECT_TRUE(List({}).empty());
}

TEST_F(FilterMapperTest, LegacyPinCallsNeedWhatTheyExtend) {
  EXPECT_EQ(mapper_->RegisterPin(kFilterA, u"Out", FALSE, TRUE, FALSE, FALSE, CLSID_NULL, nullptr), VFW_E_NOT_FOUND);
  ASSERT_EQ(mapper_->RegisterFilter(kFilterA, u"A", MERIT_NORMAL), S_OK);
  EXPECT_EQ(mapper_->RegisterPinType(kFilterA, u"Out", MEDIATYPE_Audio, GUID_NULL), VFW_E_NOT_FOUND);
  EXPECT_EQ(mapper_->UnregisterPin(kFilterA, u"Out"), kNotThere);

  ASSERT_EQ(mapper_->RegisterPin(kFilterA, u"Out", FALSE, TRUE, FALSE, FALSE, CLSID_NULL, nullptr), S_OK);
  ASSERT_EQ(mapper_->RegisterPinType(kFilterA, u"Out", MEDIATYPE_Audio, GUID_NULL), S_OK);
  EXPECT_TRUE(IsListed(kFilterA, OutputOf(MEDIATYPE_Audio)));

  // Registering the filter again keeps its pins; removing the pin drops them.
  ASSERT_EQ(mapper_->RegisterFilter(kFilterA, u"A again", MERIT_NORMAL), S_OK);
  EXPECT_TRUE(IsListed(kFilterA, OutputOf(MEDIATYPE_Audio)));
  EXPECT_EQ(mapper_->UnregisterPin(kFilterA, u"Out"), S_OK);
  EXPECT_FALSE(IsListed(kFilterA, OutputOf(MEDIATYPE_Audio)));
  EXPECT_TRUE(IsListed(kFilterA));
}

TEST_F(FilterMapperTest, BadArgumentsAreRefused) {
  const REGFILTERPINS namelessPin = {nullptr, FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 0, nullptr};
  const REGFILTERPINS pathPin = {const_cast<LPWSTR>(u"a\\b"), FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 0, nullptr};
  const REGPINTYPES halfType = {&MEDIATYPE_Audio, nullptr};
  const REGFILTERPINS halfTypedPin = {
      const_cast<LPWSTR>(u"Out"), FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, &halfType};
  const REGFILTERPINS untypedPin = {
      const_cast<LPWSTR>(u"Out"), FALSE, TRUE, FALSE, FALSE, nullptr, nullptr, 1, nullptr};
  auto withPins = [](DWORD version, ULONG count, const REGFILTERPINS* pins) {
    REGFILTER2 record{};
    record.dwVersion = version;
    record.cPins = count;
    record.rgPins = pins;
    return record;
  };
  auto register2 = [&](const REGFILTER2& record) {
    return mapper2_->RegisterFilter(kFilterA, u"A", nullptr, nullptr, nullptr, &record);
  };
  ASSERT_EQ(mapper_->RegisterFilter(kFilterB, u"B", MERIT_NORMAL), S_OK);

  const std::vector<std::tuple<const char*, std::function<HRESULT()>, HRESULT>> cases = {
      {"no name", [&] { return mapper2_->RegisterFilter(kFilterA, nullptr, nullptr, nullptr, nullptr, nullptr); },
       E_POINTER},
      {"no record", [&] { return mapper2_->RegisterFilter(kFilterA, u"A", nullptr, nullptr, nullptr, nullptr); },
       E_POINTER},
      {"version 3", [&] { return register2(withPins(3, 0, nullptr)); }, E_INVALIDARG},
      {"pins missing", [&] { return register2(withPins(1, 1, nullptr)); }, E_POINTER},
      {"pin without name", [&] { return register2(withPins(1, 1, &namelessPin)); }, E_POINTER},
      {"pin name with a backslash", [&] { return register2(withPins(1, 1, &pathPin)); }, E_INVALIDARG},
      {"type without subtype", [&] { return register2(withPins(1, 1, &halfTypedPin)); }, E_POINTER},
      {"types missing", [&] { return register2(withPins(1, 1, &untypedPin)); }, E_POINTER},
      {"empty instance",
       [&] {
         const REGFILTER2 record = withPins(1, 0, nullptr);
         return mapper2_->RegisterFilter(kFilterA, u"A", nullptr, nullptr, u"", &record);
       },
       E_INVALIDARG},
      {"category without description", [&] { return mapper2_->CreateCategory(kOtherCategory, 0, nullptr); }, E_POINTER},
      {"mapper2 enumeration",
       [&] {
         return mapper2_->EnumMatchingFilters(nullptr, 0, FALSE, 0, FALSE, 0, nullptr, nullptr, nullptr, FALSE, FALSE,
                                              0, nullptr, nullptr, nullptr);
       },
       E_POINTER},
      {"legacy filter without name", [&] { return mapper_->RegisterFilter(kFilterA, nullptr, 0); }, E_POINTER},
      {"legacy pin without name",
       [&] { return mapper_->RegisterPin(kFilterB, nullptr, FALSE, TRUE, FALSE, FALSE, CLSID_NULL, nullptr); },
       E_POINTER},
      {"legacy empty pin name",
       [&] { return mapper_->RegisterPin(kFilterB, u"", FALSE, TRUE, FALSE, FALSE, CLSID_NULL, nullptr); },
       E_INVALIDARG},
      {"legacy type without pin name",
       [&] { return mapper_->RegisterPinType(kFilterB, nullptr, MEDIATYPE_Audio, GUID_NULL); }, E_POINTER},
      {"legacy unregister pin without name", [&] { return mapper_->UnregisterPin(kFilterB, nullptr); }, E_POINTER},
      {"legacy enumeration",
       [&] {
         return mapper_->EnumMatchingFilters(nullptr, 0, FALSE, GUID_NULL, GUID_NULL, FALSE, FALSE, GUID_NULL,
                                             GUID_NULL);
       },
       E_POINTER},
  };
  for (const auto& [what, call, expected] : cases) {
    EXPECT_EQ(call(), expected) << what;
  }
  const std::vector<Listed> all = List({});
  ASSERT_EQ(all.size(), 1u) << "no refused registration left anything behind";
  EXPECT_EQ(all[0].clsid, kFilterB);
}

TEST_F(FilterMapperTest, EnumeratorCountsSkipsResetsAndClones) {
  for (const CLSID& clsid : {kFilterA, kFilterB, kFilterC}) {
    ASSERT_EQ(mapper_->RegisterFilter(clsid, u"F", MERIT_NORMAL), S_OK);
  }
  Held<IEnumRegFilters> filters;
  ASSERT_EQ(
      mapper_->EnumMatchingFilters(filters.out(), 0, FALSE, GUID_NULL, GUID_NULL, FALSE, FALSE, GUID_NULL, GUID_NULL),
      S_OK);
  REGFILTER* records[4] = {};
  ULONG fetched = 99;
  auto freeFetched = [&] {
    for (ULONG at = 0; at < fetched; ++at) {
      EXPECT_EQ(std::u16string(records[at]->Name), u"F");
      CoTaskMemFree(records[at]);
    }
  };

  EXPECT_EQ(filters->Next(2, records, nullptr), E_POINTER) << "a count needs somewhere to go";
  StandinFailNthAllocation(2);
  EXPECT_EQ(filters->Next(2, records, &fetched), E_OUTOFMEMORY);
  EXPECT_EQ(fetched, 0u) << "nothing handed out, position kept";
  EXPECT_EQ(filters->Next(2, records, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  freeFetched();

  Held<IEnumRegFilters> clone;
  ASSERT_EQ(filters->Clone(clone.out()), S_OK);
  EXPECT_EQ(filters->Next(4, records, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  freeFetched();
  EXPECT_EQ(clone->Next(1, records, nullptr), S_OK) << "the clone starts where its original stood";
  fetched = 1;
  freeFetched();

  EXPECT_EQ(filters->Reset(), S_OK);
  EXPECT_EQ(filters->Skip(2), S_OK);
  EXPECT_EQ(filters->Skip(2), S_FALSE);
  EXPECT_EQ(filters->Next(1, records, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
}

TEST_F(FilterMapperTest, DamagedRegistryFileGivesAnError) {
  ASSERT_EQ(mapper_->RegisterFilter(kFilterA, u"A", MERIT_NORMAL), S_OK);
  FILE* file = std::fopen(registryPath_.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("\x01\x02 not a registry \xff", file);
  std::fclose(file);

  const HRESULT damaged = HRESULT_FROM_WIN32(ERROR_BADDB);
  IEnumRegFilters* filters = nullptr;
  EXPECT_EQ(mapper_->EnumMatchingFilters(&filters, 0, FALSE, GUID_NULL, GUID_NULL, FALSE, FALSE, GUID_NULL, GUID_NULL),
            damaged);
  EXPECT_EQ(filters, nullptr);
  EXPECT_EQ(RegisterVersion1(mapper2_.get(), mapper_.get(), kFilterB, u"B", MERIT_NORMAL), damaged);
  EXPECT_EQ(RegisterLegacy(mapper2_.get(), mapper_.get(), kFilterB, u"B", MERIT_NORMAL), damaged);
  EXPECT_EQ(mapper_->UnregisterFilter(kFilterA), damaged);
  EXPECT_EQ(mapper2_->UnregisterFilter(nullptr, nullptr, kFilterA), damaged);
}

// Both mappers are free-threaded: registrations from two threads at once all
// arrive whole.
TEST_F(FilterMapperTest, RegistrationsFromTwoThreadsAllArrive) {
  constexpr int kEach = 8;
  auto registerMany = [&](Registration registration, uint8_t mark) {
    for (int at = 0; at < kEach; ++at) {
      CLSID clsid = kFilterA;
      clsid.Data4[6] = mark;
      clsid.Data4[7] = static_cast<uint8_t>(at);
      EXPECT_EQ(registration(mapper2_.get(), mapper_.get(), clsid, u"T", MERIT_NORMAL), S_OK);
    }
  };
  {
    TestThread first([&] { registerMany(RegisterVersion1, 0xA1); });
    TestThread second([&] { registerMany(RegisterLegacy, 0xB2); });
  }
  EXPECT_EQ(List(RenderedInputOf(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)).size(), 2u * kEach);
}

struct MapperClass {
  const char* name;
  const CLSID* clsid;
  const IID* iid;
};

// Identity, no aggregation, and the hook that makes the class unavailable.
void ExpectClassRules(const MapperClass& given) {
  Held<IUnknown> mapper;
  ASSERT_EQ(CoCreateInstance(*given.clsid, nullptr, CLSCTX_INPROC_SERVER, *given.iid, mapper.outVoid()), S_OK);
  Held<IUnknown> identity;
  ASSERT_EQ(mapper->QueryInterface(IID_IUnknown, identity.outVoid()), S_OK);
  EXPECT_EQ(identity.get(), mapper.get());
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(mapper->QueryInterface(IID_IEnumRegFilters, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);

  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(*given.clsid, identity.get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);

  StandinHideClass(*given.clsid, TRUE);
  out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(*given.clsid, nullptr, CLSCTX_INPROC_SERVER, *given.iid, &out), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(out, nullptr);
  StandinHideClass(*given.clsid, FALSE);
  Held<IUnknown> again;
  EXPECT_EQ(CoCreateInstance(*given.clsid, nullptr, CLSCTX_INPROC_SERVER, *given.iid, again.outVoid()), S_OK);
}

class MapperClassTest : public ::testing::TestWithParam<MapperClass> {};

TEST_P(MapperClassTest, IsARuntimeClassThatCanBeHidden) {
  TestThread::RunToEnd([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ExpectClassRules(GetParam());
    CoUninitialize();
  });
}

INSTANTIATE_TEST_SUITE_P(Mappers, MapperClassTest,
                         ::testing::Values(MapperClass{"FilterMapper2", &CLSID_FilterMapper2, &IID_IFilterMapper2},
                                           MapperClass{"FilterMapper", &CLSID_FilterMapper, &IID_IFilterMapper}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
