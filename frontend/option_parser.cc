#include "frontend/option_parser.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qfmacro {

int optind = 1;
char* optarg = nullptr;
int optopt = 0;
int opterr = 1;

namespace {

// The parser's private position. The positional words passed over so far
// form one block [firstNonOption, lastNonOption); before the next option is
// looked at, the options handled since are moved in front of that block, so
// positional words keep their order and end up behind all options.
struct TOptionParserState {
  bool started = false;
  char* nextChar = nullptr;  // next letter of the current short cluster
  int firstNonOption = 1;
  int lastNonOption = 1;
};

TOptionParserState g_parser;

bool IsOptionWord(const char* word) {
  return word[0] == '-' && word[1] != '\0';
}

// Moves the positional block in front of the words handled since it was
// passed over: [first, last) and [last, optind) swap places.
void MoveBlockBehindOptions(char** argv) {
  std::rotate(argv + g_parser.firstNonOption, argv + g_parser.lastNonOption, argv + optind);
  g_parser.firstNonOption += optind - g_parser.lastNonOption;
  g_parser.lastNonOption = optind;
}

int ParseLongOption(int argc, char** argv, const LongOption* longopts, int* longindex) {
  char* name = argv[optind] + 2;
  ++optind;
  char* equals = std::strchr(name, '=');
  const size_t nameLength = equals ? static_cast<size_t>(equals - name) : std::strlen(name);

  int found = -1;
  int matches = 0;
  for (int i = 0; longopts[i].name != nullptr; ++i) {
    if (std::strncmp(longopts[i].name, name, nameLength) == 0) {
      if (matches == 0) found = i;
      ++matches;
    }
  }
  if (matches == 0) {
    if (opterr) std::fprintf(stderr, "no such a option: %s\n", name);
    optopt = 0;
    return '?';
  }
  if (matches > 1) {
    if (opterr) std::fprintf(stderr, "ambiguous option: %s\n", name);
    optopt = 0;
    return '?';
  }

  const LongOption& entry = longopts[found];
  if (longindex) *longindex = found;
  if (entry.has_arg == kNoArgument) {
    if (equals) {
      if (opterr) std::fprintf(stderr, "no argument for %s\n", entry.name);
      optopt = entry.val;
      return '?';
    }
    return entry.val;
  }
  if (equals) {
    optarg = equals + 1;
  } else if (optind < argc) {
    optarg = argv[optind++];
  }
  // Otherwise optarg stays null: the caller decides what a missing value means.
  return entry.val;
}

int ParseShortLetter(int argc, char** argv, const char* shortopts) {
  const char letter = *g_parser.nextChar++;
  const bool clusterEnds = *g_parser.nextChar == '\0';
  const char* entry = letter == ':' ? nullptr : std::strchr(shortopts, letter);

  if (entry == nullptr) {
    if (opterr) std::fprintf(stderr, "%s: invalid option -- %c\n", argv[0], letter);
    optopt = static_cast<unsigned char>(letter);
    if (clusterEnds) {
      ++optind;
      g_parser.nextChar = nullptr;
    }
    return '?';
  }

  if (entry[1] != ':') {
    if (clusterEnds) {
      ++optind;
      g_parser.nextChar = nullptr;
    }
    return static_cast<unsigned char>(letter);
  }

  // The letter takes an argument: the rest of the word, or else the next word.
  if (!clusterEnds) {
    optarg = g_parser.nextChar;
    ++optind;
  } else if (optind + 1 < argc) {
    optarg = argv[optind + 1];
    optind += 2;
  } else {
    if (opterr) std::fprintf(stderr, "%s: option requires an argument -- %c\n", argv[0], letter);
    optopt = static_cast<unsigned char>(letter);
    ++optind;
    g_parser.nextChar = nullptr;
    return '?';
  }
  g_parser.nextChar = nullptr;
  return static_cast<unsigned char>(letter);
}

}  // namespace

void ResetOptionParser() {
  optind = 1;
  optarg = nullptr;
  optopt = 0;
  opterr = 1;
  g_parser = TOptionParserState();
}

int getopt_long(int argc, char** argv, const char* shortopts, const LongOption* longopts, int* longindex) {
  optarg = nullptr;
  if (!g_parser.started) {
    g_parser.started = true;
    g_parser.firstNonOption = g_parser.lastNonOption = optind;
  }

  if (g_parser.nextChar == nullptr || *g_parser.nextChar == '\0') {
    g_parser.nextChar = nullptr;
    // Guard against a caller that moved optind back.
    g_parser.lastNonOption = std::min(g_parser.lastNonOption, optind);
    g_parser.firstNonOption = std::min(g_parser.firstNonOption, optind);

    if (g_parser.firstNonOption != g_parser.lastNonOption && g_parser.lastNonOption != optind) {
      MoveBlockBehindOptions(argv);
    } else if (g_parser.lastNonOption != optind) {
      g_parser.firstNonOption = optind;
    }

    // Pass over positional words; they are moved once an option follows.
    while (optind < argc && !IsOptionWord(argv[optind])) ++optind;
    g_parser.lastNonOption = optind;

    if (optind < argc && std::strcmp(argv[optind], "--") == 0) {
      // "--" goes in front of the positional block; everything after it stays
      // positional in its given order.
      ++optind;
      if (g_parser.firstNonOption != g_parser.lastNonOption && g_parser.lastNonOption != optind) {
        MoveBlockBehindOptions(argv);
      } else if (g_parser.firstNonOption == g_parser.lastNonOption) {
        g_parser.firstNonOption = optind;
      }
      g_parser.lastNonOption = argc;
      optind = argc;
    }

    if (optind >= argc) {
      if (g_parser.firstNonOption != g_parser.lastNonOption) optind = g_parser.firstNonOption;
      return -1;
    }

    if (argv[optind][1] == '-') return ParseLongOption(argc, argv, longopts, longindex);
    g_parser.nextChar = argv[optind] + 1;
  }
  return ParseShortLetter(argc, argv, shortopts);
}

}  // namespace qfmacro
