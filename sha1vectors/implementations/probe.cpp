// SPDX-License-Identifier: MIT
#include "sha1vectors/implementations/probe.h"

#if __has_include(<elf.h>)
#include <elf.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include "digest/sha1digest.h"

namespace sha1vectors {
namespace {

template <class T>
bool readat(std::string_view file, std::uint64_t at, T& value) {
  if (at > file.size() || file.size() - at < sizeof value) return false;
  std::memcpy(&value, file.data() + at, sizeof value);
  return true;
}

#if __has_include(<elf.h>)
// The defined functions of the dynamic symbol table, every offset checked against the file.
template <class Header, class Section, class Symbol>
std::vector<std::string> dynamicfunctions(std::string_view file) {
  std::vector<std::string> names;
  Header header{};
  if (!readat(file, 0, header) || header.e_shentsize != sizeof(Section)) return names;
  for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
    Section table{}, strings{};
    if (!readat(file, header.e_shoff + i * sizeof(Section), table) || table.sh_type != SHT_DYNSYM) continue;
    if (!readat(file, header.e_shoff + std::uint64_t{table.sh_link} * sizeof(Section), strings) || strings.sh_offset > file.size()) continue;
    const std::string_view text = file.substr(strings.sh_offset, std::min<std::uint64_t>(strings.sh_size, file.size() - strings.sh_offset));
    for (std::uint64_t j = 1; j < table.sh_size / sizeof(Symbol); ++j) {
      Symbol symbol{};
      if (!readat(file, table.sh_offset + j * sizeof(Symbol), symbol)) break;
      if ((symbol.st_info & 0xF) != STT_FUNC || symbol.st_shndx == SHN_UNDEF || symbol.st_name >= text.size()) continue;
      const std::string_view name = text.substr(symbol.st_name);
      names.emplace_back(name.substr(0, name.find('\0')));
    }
  }
  return names;
}
#endif

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The role a name's words suggest, and the name without that word (its stem, which the functions
// of one interface share: SHA1Init, SHA1Update and SHA1Final are all "SHA1").
struct Guess {
  Role role;
  std::string name, stem, word;
};
std::optional<Guess> guess(const std::string& name) {
  // Looked for in this order: "deinit" is no init, "finish" no "init" either.
  static constexpr std::pair<std::string_view, Role> words[] = {
      {"deinit", Role::free},    {"destroy", Role::free},  {"free", Role::free},     {"finish", Role::end},    {"final", Role::end},
      {"done", Role::end},       {"result", Role::end},    {"digest", Role::end},    {"update", Role::update}, {"process", Role::update},
      {"write", Role::update},   {"input", Role::update},  {"append", Role::update}, {"starts", Role::begin},  {"start", Role::begin},
      {"init", Role::begin},     {"begin", Role::begin},   {"reset", Role::begin},   {"new", Role::begin},
  };
  const std::string folded = lower(name);
  for (const auto& [word, role] : words) {
    const std::size_t at = folded.find(word);
    if (at == std::string::npos) continue;
    return Guess{role, name, name.substr(0, at) + name.substr(at + word.size()), std::string(word)};
  }
  return std::nullopt;
}

// What a guessed interface is made of: one function each for begin, update and end, and a setup
// and a free where the library has them.
struct Candidate {
  std::string begin, update, end, setup, free;
};

// The stem without underscores at its ends: mbedtls_sha1_init's "mbedtls_sha1" is the start of
// mbedtls_sha1_starts_ret's "mbedtls_sha1__ret".
std::string trimmedstem(std::string stem) {
  while (!stem.empty() && stem.back() == '_') stem.pop_back();
  while (!stem.empty() && stem.front() == '_') stem.erase(0, 1);
  return stem;
}

// The setup and the free of the interface begun by begin, if the library has them.
void surround(Candidate& c, const Guess& begin, const std::vector<Guess>& guesses) {
  const auto near = [&](const Guess& g) { return trimmedstem(begin.stem).rfind(trimmedstem(g.stem), 0) == 0; };
  for (const Guess& other : guesses) {
    if (other.role == Role::free && near(other)) c.free = other.name;
    if (other.role == Role::begin && other.word == "init" && other.name != begin.name && near(other)) c.setup = other.name;
  }
}

std::vector<Candidate> candidates(const std::vector<std::string>& names) {
  std::vector<Guess> guesses;
  for (const std::string& name : names) {
    if (auto g = guess(name)) guesses.push_back(*g);
  }
  const auto with = [&](Role role, const std::string& stem) {
    std::vector<const Guess*> found;
    for (const Guess& g : guesses) {
      if (g.role == role && g.stem == stem) found.push_back(&g);
    }
    return found;
  };
  std::vector<Candidate> found;
  for (const Guess& b : guesses) {
    if (b.role != Role::begin) continue;
    for (const Guess* u : with(Role::update, b.stem)) {
      for (const Guess* e : with(Role::end, b.stem)) {
        Candidate c{b.name, u->name, e->name, {}, {}};
        surround(c, b, guesses);
        found.push_back(c);
      }
    }
  }
  return found;
}

// The ways of calling a candidate, as descriptions with a context of size bytes (a handle's in
// place of one when begin returns it).
std::vector<std::string> shapes(const Candidate& c) {
  std::vector<std::string> made;
  for (const bool handle : {false, true}) {
    const std::string ctx = handle ? "*ctx" : "ctx";
    const std::string begin = handle ? "begin *ctx = " + c.begin + "()" : "begin " + c.begin + "(ctx)";
    for (const bool setup : {false, true}) {
      if (setup && (c.setup.empty() || handle)) continue;
      const std::string opening = (setup ? "setup " + c.setup + "(ctx); " : "") + begin;
      for (const std::string& update : {c.update + "(" + ctx + ", data, len)", c.update + "(" + ctx + ", len, data)"}) {
        for (const std::string& end : {c.end + "(" + ctx + ", digest)", c.end + "(digest, " + ctx + ")", c.end + "(" + ctx + ", 20, digest)", c.end + "(" + ctx + ", digest, 20)"}) {
          made.push_back(opening + "; update " + update + "; end " + end);
        }
      }
    }
  }
  return made;
}

// The messages a way must give SHA-1's digest of, every way: empty, short, and long enough to
// fill every field of a context.
const std::vector<std::string>& trials() {
  static const std::vector<std::string> messages = [] {
    std::string long_(1000, '\0');
    for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<char>(i * 31 + 7);
    return std::vector<std::string>{"", "abc", long_};
  }();
  return messages;
}

// Whether the library of settings, called as they say, gives SHA-1's digest of every trial message
// every way.
bool works(LibrarySettings settings, std::string& title) {
  Library library(std::move(settings));
  if (library.cannotrun()) return false;
  std::vector<Message> messages;
  for (const std::string& message : trials()) messages.push_back({message});
  const std::vector<Outcome> outcomes = library.digests(messages);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    basicutilities::Sha1Stream right;
    right.add(trials()[i]);
    if (!outcomes[i].digest || *outcomes[i].digest != right.finish() || !outcomes[i].how.empty()) return false;
  }
  title = library.interface();
  return true;
}

// A PE image's section table, which turns an address once loaded into an offset in the file.
struct PeSections {
  std::string_view file;
  std::uint64_t table = 0;  // the first section's header
  std::uint16_t count = 0;

  std::optional<std::uint64_t> offset(std::uint32_t address) const {
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint32_t virtualsize = 0, virtualaddress = 0, rawsize = 0, rawat = 0;
      if (!readat(file, table + 40 * i + 8, virtualsize) || !readat(file, table + 40 * i + 12, virtualaddress) ||
          !readat(file, table + 40 * i + 16, rawsize) || !readat(file, table + 40 * i + 20, rawat)) {
        return std::nullopt;
      }
      if (address >= virtualaddress && address - virtualaddress < std::max(virtualsize, rawsize)) return std::uint64_t{rawat} + (address - virtualaddress);
    }
    return std::nullopt;
  }
};

// The sections of the PE image in file, and where its export directory is once loaded (rva) and
// its size; nothing when file is no PE image.
std::optional<PeSections> pesections(std::string_view file, std::uint32_t& rva, std::uint32_t& size) {
  std::uint32_t pe = 0, signature = 0;
  std::uint16_t sections = 0, optionalsize = 0, magic = 0;
  if (!readat(file, 0x3C, pe) || !readat(file, pe, signature) || signature != 0x4550 || !readat(file, std::uint64_t{pe} + 6, sections) ||
      !readat(file, std::uint64_t{pe} + 20, optionalsize) || !readat(file, std::uint64_t{pe} + 24, magic) || (magic != 0x10B && magic != 0x20B)) {
    return std::nullopt;
  }
  const std::uint64_t optional = std::uint64_t{pe} + 24, directories = optional + (magic == 0x20B ? 112 : 96);
  if (directories + 8 > optional + optionalsize || !readat(file, directories, rva) || !readat(file, directories + 4, size)) return std::nullopt;
  return PeSections{file, optional + optionalsize, sections};
}

// The names a DLL exports (but those it forwards to another DLL), every offset checked against the
// file.
std::vector<std::string> dllexports(std::string_view file) {
  std::vector<std::string> names;
  std::uint32_t rva = 0, size = 0, count = 0, functions = 0, table = 0, ordinals = 0;
  const auto image = pesections(file, rva, size);
  const auto directory = image ? image->offset(rva) : std::nullopt;
  if (!directory || !readat(file, *directory + 24, count) || !readat(file, *directory + 28, functions) || !readat(file, *directory + 32, table) ||
      !readat(file, *directory + 36, ordinals)) {
    return names;
  }
  const auto namesat = image->offset(table), ordinalsat = image->offset(ordinals), functionsat = image->offset(functions);
  for (std::uint64_t i = 0; namesat && ordinalsat && functionsat && i < count; ++i) {
    std::uint32_t namerva = 0, function = 0;
    std::uint16_t ordinal = 0;
    if (!readat(file, *namesat + 4 * i, namerva) || !readat(file, *ordinalsat + 2 * i, ordinal) || !readat(file, *functionsat + 4 * std::uint64_t{ordinal}, function)) break;
    const auto at = image->offset(namerva);
    if ((function >= rva && function - rva < size) || !at || *at >= file.size()) continue;  // forwarded, or no name
    const std::string_view name = file.substr(static_cast<std::size_t>(*at));
    names.emplace_back(name.substr(0, name.find('\0')));
  }
  return names;
}

}  // namespace

std::vector<std::string> exportedfunctions(std::string_view file) {
  if (file.substr(0, 2) == "MZ") return dllexports(file);
#if __has_include(<elf.h>)
  if (file.size() < EI_NIDENT || file.substr(0, 4) != ELFMAG) return {};
  if (file[EI_CLASS] == ELFCLASS64) return dynamicfunctions<Elf64_Ehdr, Elf64_Shdr, Elf64_Sym>(file);
  if (file[EI_CLASS] == ELFCLASS32) return dynamicfunctions<Elf32_Ehdr, Elf32_Shdr, Elf32_Sym>(file);
#endif
  return {};
}

std::vector<std::string> sha1names(const std::vector<std::string>& names) {
  std::vector<std::string> found;
  for (const std::string& name : names) {
    const std::string folded = lower(name);
    const std::size_t sha = folded.find("sha");
    if (sha == std::string::npos) continue;
    // "sha1" not followed by a digit, or "sha" ending a word: the name ends, or a character that
    // is no lower-case letter or digit follows (wc_ShaUpdate, sha_init; not shared, shake128).
    const auto ends = [&](std::size_t at) { return at >= name.size() || (std::islower(static_cast<unsigned char>(name[at])) == 0 && std::isdigit(static_cast<unsigned char>(name[at])) == 0); };
    const bool one = folded.compare(sha, 4, "sha1") == 0 && (sha + 4 == name.size() || std::isdigit(static_cast<unsigned char>(name[sha + 4])) == 0);
    const bool plain = ends(sha + 3);
    static constexpr std::string_view others[] = {"hmac", "pbkdf", "drbg", "test", "transform", "clone", "copy", "file", "kdf", "rsa", "dsa", "hex", "print"};
    const bool other = std::any_of(std::begin(others), std::end(others), [&](std::string_view word) { return folded.find(word) != std::string::npos; });
    if ((one || plain) && !other) found.push_back(name);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

namespace {

// The least context size, up to most, with which shape still works: a context too small is written
// past, into the guard bytes. Found by halving.
std::size_t leastcontext(LibrarySettings& trying, const std::string& shape, std::size_t most, ProbeResult& result) {
  std::size_t low = 1, high = most;
  std::string title;
  while (low < high && (trying.stop == nullptr || !*trying.stop)) {
    const std::size_t middle = (low + high) / 2;
    trying.description = shape + "; context " + std::to_string(middle);
    ++result.tried;
    if (works(trying, title)) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return high;
}

// The first shape of candidate that works, with its free where that works too, and the context's
// size; empty when none works.
std::string firstworking(LibrarySettings& trying, const Candidate& candidate, ProbeResult& result) {
  std::string title;
  for (const std::string& shape : shapes(candidate)) {
    if (trying.stop != nullptr && *trying.stop) return {};
    const bool handle = shape.find("*ctx = ") != std::string::npos;
    const std::size_t most = handle ? 8 : 65536;  // a handle's size; else room for any context
    const std::string context = "; context " + std::to_string(most);
    trying.description = shape + context;
    ++result.tried;
    if (!works(trying, title)) continue;
    std::string found = shape;
    if (!candidate.free.empty()) {
      const std::string freed = shape + "; free " + candidate.free + (handle ? "(*ctx)" : "(ctx)");
      trying.description = freed + context;
      if (works(trying, title)) found = freed;
    }
    return found + "; context " + std::to_string((leastcontext(trying, found, most, result) + 7) / 8 * 8);
  }
  return {};
}

}  // namespace

ProbeResult probe(const LibrarySettings& settings, std::string& problem) {
  ProbeResult result;
  auto functions = Library::functions(settings, problem);
  if (!functions) return result;
  result.functions = sha1names(*functions);
  LibrarySettings trying = settings;
  trying.abi.clear();
  ++result.tried;
  if (works(trying, result.builtin)) return result;
  result.builtin.clear();
  trying.abi = "described";
  for (const Candidate& candidate : candidates(result.functions)) {
    result.description = firstworking(trying, candidate, result);
    if (!result.description.empty()) break;
  }
  return result;
}

}  // namespace sha1vectors
