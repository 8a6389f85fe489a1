// SPDX-License-Identifier: MIT
#include "sha1vectors/readers/acvp.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>

#include <stdexcept>

#include "sha1vectors/readers/fields.h"
#include "utilities/basicutilities.h"


namespace sha1vectors {
namespace {

using json = nlohmann::json;

constexpr std::uint64_t mctchainlength = 1000;

// Builds a document as the library's own parser does, refusing what that would let through:
// nesting deeper than maxjsondepth (checked as it goes: the parser's callback would do it too, but
// makes reading a large set quadratic), and a name twice in one object, which it would read as the
// last value where another reader takes the first.
class StrictDocument {
 public:
  explicit StrictDocument(json& root) : dom_(root) {}
  const std::string& problem() const { return problem_; }

  bool null() { return dom_.null(); }
  bool boolean(bool value) { return dom_.boolean(value); }
  bool number_integer(json::number_integer_t value) { return dom_.number_integer(value); }
  bool number_unsigned(json::number_unsigned_t value) { return dom_.number_unsigned(value); }
  bool number_float(json::number_float_t value, const std::string& text) { return dom_.number_float(value, text); }
  bool string(std::string& value) { return dom_.string(value); }
  bool binary(json::binary_t& value) { return dom_.binary(value); }
  bool start_object(std::size_t size) {
    names_.emplace_back();
    return deeper() && dom_.start_object(size);
  }
  bool key(std::string& name) {
    if (!names_.back().insert(name).second) return refuse("names \"" + name + "\" twice in one object, so what it means is unclear");
    return dom_.key(name);
  }
  bool end_object() {
    names_.pop_back();
    --depth_;
    return dom_.end_object();
  }
  bool start_array(std::size_t size) { return deeper() && dom_.start_array(size); }
  bool end_array() {
    --depth_;
    return dom_.end_array();
  }
  template <typename Exception>
  bool parse_error(std::size_t position, const std::string& token, const Exception& error) {
    return dom_.parse_error(position, token, error);  // throws it
  }

 private:
  bool refuse(std::string problem) {
    problem_ = std::move(problem);
    return false;
  }
  bool deeper() {
    return ++depth_ <= maxjsondepth || refuse("is nested deeper than " + std::to_string(maxjsondepth) + " levels, deeper than an ACVP vector set");
  }

  nlohmann::detail::json_sax_dom_parser<json> dom_;
  std::size_t depth_ = 0;
  std::vector<std::set<std::string, std::less<>>> names_;  // each open object's
  std::string problem_;
};

class AcvpReader {
 public:
  explicit AcvpReader(std::string file) : file_(std::move(file)) {}

  [[noreturn]] void fail(const std::string& where, const std::string& problem) const {
    throw VectorFileError(file_, 0, where.empty() ? problem : where + ": " + problem);
  }

  json parse(std::string_view content) const {
    if (content.size() > maxjsonbytes) fail({}, "is larger than " + std::to_string(maxjsonbytes >> 20) + " MiB, more than an ACVP vector set holds");
    try {
      json document;
      StrictDocument builder(document);
      if (!json::sax_parse(content.begin(), content.end(), &builder)) fail({}, builder.problem());
      return document;
    } catch (const json::exception& error) {  // a syntax error, or a number past a double (out_of_range)
      std::string what = error.what();
      // Without the library's "[json.exception.parse_error.101] ".
      if (const auto end = what.find("] "); end != std::string::npos) what.erase(0, end + 2);
      fail({}, "is not valid JSON: " + what);
    }
  }

  // The vector set of the bare object or of the wire form; acvptool's wrapper (a first object with
  // "url" and "vectorSetUrls", as BoringSSL's and AWS-LC's test data have it) is read as the latter.
  const json& set(const json& document, std::string& acvversion) const {
    if (document.is_array()) {
      const bool header = document.size() == 2 && document[0].is_object() &&
                          (document[0].contains("acvVersion") || document[0].contains("vectorSetUrls"));
      if (!header) fail({}, "is a JSON array but not an ACVP vector set: [{\"acvVersion\": ...}, {...}] expected");
      if (document[0].contains("acvVersion")) acvversion = text(document[0], "acvVersion", {});
      return object(document[1], {});
    }
    return object(document, {});
  }

  const json& object(const json& value, const std::string& where) const {
    if (!value.is_object()) fail(where, "a JSON object expected");
    return value;
  }

  const json& member(const json& object, const char* key, const std::string& where) const {
    const auto found = object.find(key);
    if (found == object.end()) fail(where, std::string("has no \"") + key + "\"");
    return *found;
  }

  const json& array(const json& object, const char* key, const std::string& where) const {
    const json& value = member(object, key, where);
    if (!value.is_array()) fail(where, std::string("\"") + key + "\" is not an array");
    return value;
  }

  std::string text(const json& object, const char* key, const std::string& where) const {
    const json& value = member(object, key, where);
    if (!value.is_string()) fail(where, std::string("\"") + key + "\" is not a string");
    return value.get<std::string>();
  }

  std::uint64_t number(const json& object, const char* key, const std::string& where, std::uint64_t max) const {
    const json& value = member(object, key, where);
    if (!value.is_number_unsigned()) fail(where, std::string("\"") + key + "\" is not a whole number of 0 or more");
    const auto n = value.get<std::uint64_t>();
    if (n > max) fail(where, std::string("\"") + key + "\" = " + std::to_string(n) + " is more than " + std::to_string(max));
    return n;
  }

  // Hexadecimal digits in pairs, as bytes.
  std::string bytes(const json& object, const char* key, const std::string& where) const {
    auto [bytes, problem] = hexfield(text(object, key, where), std::string("\"") + key + "\"");
    if (!problem.empty()) fail(where, problem);
    return std::move(bytes);
  }

  // The first bits of msg, left-aligned as ACVP writes them, into vector.
  void message(const json& test, const std::string& where, Vector& vector, std::uint64_t maxbits) const {
    const std::uint64_t bits = number(test, "len", where, maxbits);
    const std::string msg = bytes(test, "msg", where);
    if (msg.size() < bytesfor(bits)) fail(where, "\"msg\" holds fewer than the " + std::to_string(bits) + " bits of \"len\"");
    setmessagebits(vector, msg, bits);
  }

  // An LDT's largeMsg: its content repeated to fullLength bits, never spelled out.
  void largemessage(const json& test, const std::string& where, Vector& vector) const {
    const json& large = object(member(test, "largeMsg", where), where);
    const std::string technique = text(large, "expansionTechnique", where);
    if (technique != "repeating") fail(where, "expansionTechnique " + sha1vectors::quoted(technique) + " is not known (only \"repeating\" is)");
    const std::uint64_t contentbits = number(large, "contentLength", where, maxheldbytes * 8);
    const std::uint64_t fullbits = number(large, "fullLength", where, UINT64_MAX);
    const std::string content = bytes(large, "content", where);
    if (contentbits == 0 || contentbits % 8 != 0 || content.size() != contentbits / 8) {
      fail(where, "\"content\" must be the whole bytes of \"contentLength\"");
    }
    if (fullbits == 0 || fullbits % contentbits != 0) fail(where, "\"fullLength\" is not a whole number of repeats of the content, one or more");
    if (fullbits / 8 > maxmessagebytes) {
      fail(where, "its message of " + std::to_string(fullbits / 8) + " bytes is more than the " + std::to_string(maxmessagebytes >> 30) + " GiB that can be checked");
    }
    vector.message = content;
    vector.repeat = fullbits / contentbits;
  }

  AcvpTest test(const json& group, const json& test, std::uint64_t tgid, std::uint64_t tcid) const {
    AcvpTest t{tgid, tcid, text(group, "testType", "tgId " + std::to_string(tgid)), {}};
    const std::string where = "tcId " + std::to_string(tcid);
    t.vector.file = file_;
    t.vector.name = where + " (" + t.type + ", tgId " + std::to_string(tgid) + ")";
    if (t.type == "AFT") {
      message(test, where, t.vector, maxheldbytes * 8);
    } else if (t.type == "MCT") {
      const std::string version = group.contains("mctVersion") ? text(group, "mctVersion", where) : "standard";
      if (version != "standard" && version != "alternate") fail(where, "mctVersion " + sha1vectors::quoted(version) + " is not known");
      message(test, where, t.vector, maxmctseedbits);
      t.vector.kind = Vector::Kind::montecarlo;
      t.vector.iterations = mctchainlength;
      if (version == "alternate") t.vector.chainbits = 8 * t.vector.message.size() + t.vector.partialbits;
      t.vector.name = where + " (MCT " + version + ", tgId " + std::to_string(tgid) + ")";
    } else if (t.type == "LDT") {
      largemessage(test, where, t.vector);
    } else {
      fail("tgId " + std::to_string(tgid), "testType " + sha1vectors::quoted(t.type) + " is not AFT, MCT or LDT");
    }
    return t;
  }

  std::vector<basicutilities::Sha1Digest> answers(const json& test, const std::string& where) const {
    std::vector<basicutilities::Sha1Digest> result;
    const auto digest = [&](const json& holder) {
      const auto parsed = basicutilities::parsedigest(text(holder, "md", where));
      if (!parsed) fail(where, "\"md\" is not 40 hexadecimal digits");
      result.push_back(*parsed);
    };
    if (test.contains("resultsArray")) {
      for (const json& one : array(test, "resultsArray", where)) digest(object(one, where));
    } else {
      digest(test);
    }
    return result;
  }

  // Every test of the set: a test with a message is a prompt's; one with an md or resultsArray is
  // an answer; one with both is the internal projection's.
  void readtests(const json& set, AcvpPrompt& prompt, AcvpResults& results) const {
    std::set<std::uint64_t> tested;
    for (const json& group : array(set, "testGroups", {})) {
      const std::uint64_t tgid = number(object(group, {}), "tgId", {}, UINT64_MAX);
      for (const json& test : array(group, "tests", "tgId " + std::to_string(tgid))) {
        const std::uint64_t tcid = number(object(test, {}), "tcId", "tgId " + std::to_string(tgid), UINT64_MAX);
        const std::string where = "tcId " + std::to_string(tcid);
        const bool asks = test.contains("msg") || test.contains("largeMsg"), answered = test.contains("md") || test.contains("resultsArray");
        if (asks) {
          if (!tested.insert(tcid).second) fail(where, "is a test twice");
          prompt.tests.push_back(this->test(group, test, tgid, tcid));
        }
        if ((answered || !asks) && !results.answers.emplace(tcid, AcvpResults::Answer{tgid, this->answers(test, where)}).second) {
          fail(where, "is answered twice");
        }
      }
    }
  }

 private:
  std::string file_;
};

}  // namespace

bool isjson(std::string_view content) {
  content = withoutbyteordermark(content);
  constexpr std::string_view blanks = " \t\r\n";
  const auto first = content.find_first_not_of(blanks);
  if (first == std::string_view::npos) return false;
  if (content[first] == '{') return true;
  // An array of objects; a CAVP file starts with a section such as "[L = 20]".
  const auto second = content.find_first_not_of(blanks, first + 1);
  return content[first] == '[' && second != std::string_view::npos && content[second] == '{';
}

AcvpDocument readacvptext(const std::string& name, std::string_view content) {
  const AcvpReader reader(name);
  const json document = reader.parse(withoutbyteordermark(content));
  std::string acvversion = "1.0";
  const json& set = reader.set(document, acvversion);
  // A registration names the algorithm and its capabilities, but no test groups.
  if (set.is_object() && !set.contains("testGroups") && set.contains("revision")) return AcvpRegistration{};
  const std::string algorithm = reader.text(set, "algorithm", {});
  if (algorithm != "SHA-1") reader.fail({}, "is a vector set for " + sha1vectors::quoted(algorithm) + ", not for SHA-1");
  const std::uint64_t vsid = reader.number(set, "vsId", {}, UINT64_MAX);

  AcvpPrompt prompt{name, vsid, acvversion, {}};
  AcvpResults results{name, vsid, {}};
  reader.readtests(set, prompt, results);
  if (prompt.tests.empty() && results.answers.empty()) reader.fail({}, "holds no tests");
  if (!prompt.tests.empty() && !results.answers.empty()) {
    if (prompt.tests.size() != results.answers.size()) reader.fail({}, "holds both tests and answers, but not an answer to each test");
    return AcvpProjection{std::move(prompt), std::move(results)};
  }
  if (!prompt.tests.empty()) return prompt;
  return results;
}

void reseed(Vector& vector, const basicutilities::Sha1Digest& result) {
  vector.message.assign(result.begin(), result.end());
  vector.partial = 0;
  vector.partialbits = 0;
}

std::vector<Vector> acvpvectors(const AcvpPrompt& prompt, const AcvpResults& results) {
  std::vector<Vector> vectors;
  for (const AcvpTest& test : prompt.tests) {
    const auto found = results.answers.find(test.tcid);
    const std::string where = "tcId " + std::to_string(test.tcid) + " of " + prompt.file;
    if (found == results.answers.end()) throw VectorFileError(results.file, 0, "has no answer for " + where);
    if (found->second.tgid != test.tgid) {
      throw VectorFileError(results.file, 0, "answers " + where + " in tgId " + std::to_string(found->second.tgid) + ", not in its tgId " + std::to_string(test.tgid));
    }
    const auto& answers = found->second.digests;
    const std::size_t wanted = test.type == "MCT" ? acvpmctresults : 1;
    if (answers.size() != wanted) {
      throw VectorFileError(results.file, 0, "has " + std::to_string(answers.size()) + " results for " + where + ", not " + std::to_string(wanted));
    }
    for (std::size_t j = 0; j < answers.size(); ++j) {
      Vector vector = test.vector;
      vector.expected = answers[j];
      if (test.type == "MCT") {
        vector.name += ", result " + std::to_string(j + 1) + " of " + std::to_string(acvpmctresults);
        // Each chain starts from the expected result before it, so one wrong result is one failure.
        if (j > 0) reseed(vector, answers[j - 1]);
      }
      vectors.push_back(std::move(vector));
    }
  }
  // Every answer must have its test: one the prompt lacks is a sign of the wrong pair of files.
  if (results.answers.size() != prompt.tests.size()) {
    for (const auto& [tcid, answer] : results.answers) {
      const bool asked = std::any_of(prompt.tests.begin(), prompt.tests.end(), [tcid = tcid](const AcvpTest& test) { return test.tcid == tcid; });
      if (!asked) throw VectorFileError(results.file, 0, "answers tcId " + std::to_string(tcid) + ", which " + prompt.file + " does not ask");
    }
  }
  return vectors;
}

}  // namespace sha1vectors
