// JSON reader and writer against RapidJSON's UTF-16 document, side by side in
// one process, on the standard benchmark documents:
//   (a) parse and read three keys (lazy) / RapidJSON's full parse
//   (b) parse and touch every node / RapidJSON's parse and a walk of it
//   (c) compact write of a fully touched tree / RapidJSON's Writer
// Usage: bench_JsonBench [data dir]   (the folder holding json-bench/; also
// KV_JSON_BENCH_DATA; default: the data folder beside the source tree).
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "JsonValue.h"
#include "TextConv.h"

namespace {

using RDocument = rapidjson::GenericDocument<rapidjson::UTF16<char16_t>>;
using RValue = rapidjson::GenericValue<rapidjson::UTF16<char16_t>>;
using RBuffer = rapidjson::GenericStringBuffer<rapidjson::UTF16<char16_t>>;
using RWriter = rapidjson::Writer<RBuffer, rapidjson::UTF16<char16_t>, rapidjson::UTF16<char16_t>>;

volatile double gSink;

// CPU time of this thread: other load on the machine does not count.
double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Best times in seconds of `runs` runs of each body (after a warm-up),
// alternating so that both see the same conditions.
std::pair<double, double> Best(int runs, const std::function<void()>& ours, const std::function<void()>& theirs) {
  ours();
  theirs();
  double bestOurs = 1e9, bestTheirs = 1e9;
  for (int i = 0; i < runs; ++i) {
    double t0 = ThreadSeconds();
    ours();
    bestOurs = std::min(bestOurs, ThreadSeconds() - t0);
    t0 = ThreadSeconds();
    theirs();
    bestTheirs = std::min(bestTheirs, ThreadSeconds() - t0);
  }
  return {bestOurs, bestTheirs};
}

// Reads every node: the kind of each value, its scalar, each key.
double TouchAll(IJsonValue* v) {
  switch (v->GetKind()) {
    case jvObject: {
      IJsonObjectPtr o = v->GetAsObject();
      double sum = 0;
      const int32_t n = o->GetCount();
      for (int32_t i = 0; i < n; ++i) {
        sum += static_cast<double>(o->GetKey(i).size());
        sum += TouchAll(o->GetValueAt(i));
      }
      return sum;
    }
    case jvArray: {
      IJsonArrayPtr a = v->GetAsArray();
      double sum = 0;
      const int32_t n = a->GetCount();
      for (int32_t i = 0; i < n; ++i) sum += TouchAll(a->GetItem(i));
      return sum;
    }
    case jvString: return static_cast<double>(v->GetAsString().size());
    case jvInteger: return static_cast<double>(v->GetAsInteger());
    case jvFloat: return v->GetAsFloat();
    case jvBoolean: return v->GetAsBoolean() ? 1 : 0;
    default: return 0;
  }
}

double WalkRapid(const RValue& v) {
  if (v.IsObject()) {
    double sum = 0;
    for (auto m = v.MemberBegin(); m != v.MemberEnd(); ++m) {
      sum += std::u16string(m->name.GetString(), m->name.GetStringLength()).size();
      sum += WalkRapid(m->value);
    }
    return sum;
  }
  if (v.IsArray()) {
    double sum = 0;
    for (auto& item : v.GetArray()) sum += WalkRapid(item);
    return sum;
  }
  if (v.IsString()) return static_cast<double>(std::u16string(v.GetString(), v.GetStringLength()).size());
  if (v.IsInt64()) return static_cast<double>(v.GetInt64());
  if (v.IsNumber()) return v.GetDouble();
  if (v.IsBool()) return v.GetBool() ? 1 : 0;
  return 0;
}

struct TDocument {
  const char* file;
  // Three lazy reads of this library and RapidJSON's access to the same keys.
  std::function<double(IJsonObject*)> readThree;
  std::function<double(const RDocument&)> readThreeRapid;
};

double Count(const std::u16string& s) { return static_cast<double>(s.size()); }

const TDocument kDocuments[] = {
    {"twitter.json",
     [](IJsonObject* o) {
       IJsonObjectPtr m = o->GetObject(u"search_metadata");
       return static_cast<double>(m->GetInteger(u"count") + m->GetInteger(u"max_id")) + Count(m->GetString(u"query"));
     },
     [](const RDocument& d) {
       const RValue& m = d[u"search_metadata"];
       return static_cast<double>(m[u"count"].GetInt64() + m[u"max_id"].GetInt64()) + m[u"query"].GetStringLength();
     }},
    {"citm_catalog.json",
     [](IJsonObject* o) {
       return Count(o->GetObject(u"areaNames")->GetString(u"205705993")) +
              Count(o->GetObject(u"venueNames")->GetString(u"PLEYEL_PLEYEL")) +
              Count(o->GetObject(u"topicNames")->GetString(u"107888604"));
     },
     [](const RDocument& d) {
       return static_cast<double>(d[u"areaNames"][u"205705993"].GetStringLength() +
                                  d[u"venueNames"][u"PLEYEL_PLEYEL"].GetStringLength() +
                                  d[u"topicNames"][u"107888604"].GetStringLength());
     }},
    {"canada.json",
     [](IJsonObject* o) {
       IJsonObjectPtr feature = o->GetArray(u"features")->GetObject(0);
       return Count(o->GetString(u"type")) + Count(feature->GetString(u"type")) +
              Count(feature->GetObject(u"geometry")->GetString(u"type"));
     },
     [](const RDocument& d) {
       const RValue& feature = d[u"features"][0];
       return static_cast<double>(d[u"type"].GetStringLength() + feature[u"type"].GetStringLength() +
                                  feature[u"geometry"][u"type"].GetStringLength());
     }},
};

std::string DataDir(int argc, char** argv) {
  if (argc > 1) return argv[1];
  if (const char* env = std::getenv("KV_JSON_BENCH_DATA")) return env;
  return KV_DATA_DIR;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = DataDir(argc, argv) + "/json-bench/";
  std::printf("%-18s %-28s %10s %10s %8s\n", "document", "case", "ours MB/s", "rapid MB/s", "ratio");
  for (const TDocument& doc : kDocuments) {
    std::ifstream in(dir + doc.file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s%s\n", dir.c_str(), doc.file);
      return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::u16string text = Utf8ToUtf16(bytes);
    const double mb = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    const int runs = 30;

    auto report = [&](const char* name, double ours, double rapid) {
      std::printf("%-18s %-28s %10.1f %10.1f %8.2f\n", doc.file, name, mb / ours, mb / rapid, rapid / ours);
    };

    // (a) lazy reads of three keys / full parse
    const auto [aOurs, aRapid] = Best(
        runs,
        [&] {
          IJsonObjectPtr o = ParseJsonObject(text);
          gSink = doc.readThree(o);
        },
        [&] {
          RDocument d;
          d.Parse(text.c_str());
          gSink = doc.readThreeRapid(d);
        });
    report("(a) parse + 3 keys", aOurs, aRapid);

    // (b) parse and touch every node
    const auto [bOurs, bRapid] = Best(
        runs,
        [&] {
          IJsonValuePtr v = NewJsonValue(text);
          gSink = TouchAll(v);
        },
        [&] {
          RDocument d;
          d.Parse(text.c_str());
          gSink = WalkRapid(d);
        });
    report("(b) parse + touch all", bOurs, bRapid);

    // (c) compact write of a fully touched tree
    IJsonValuePtr tree = NewJsonValue(text);
    TouchAll(tree);
    RDocument rdoc;
    rdoc.Parse(text.c_str());
    size_t oursSize = 0, rapidSize = 0;
    const auto [cOurs, cRapid] = Best(
        runs, [&] { oursSize = tree->ToJson().size(); },
        [&] {
          RBuffer buffer;
          RWriter writer(buffer);
          rdoc.Accept(writer);
          rapidSize = buffer.GetSize();
        });
    report("(c) compact write", cOurs, cRapid);
    std::printf("%-18s %-28s %10zu %10zu\n", doc.file, "    written units", oursSize, rapidSize / sizeof(char16_t));
  }
  std::printf("Best of 30 alternating runs, in thread CPU time; MB/s over the UTF-8 size of each document;\n"
              "ratio = RapidJSON time / our time (> 1: faster).\n");
  return 0;
}
