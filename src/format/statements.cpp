#include "format/statements.h"

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

#include "format/input.h"
#include "format/list_input.h"
#include "format/output.h"
#include "format/records.h"
#include "format/translate.h"

namespace format {
namespace {

// A translation, or the message with which the text fails.
struct Translation {
  FormatList list;
  std::string_view failure;
};

// The same few format texts come back for every record, so translations are
// kept by text. Data files bring arbitrary texts, so the cache starts afresh
// when it grows past a few hundred of them.
constexpr std::size_t k_cache_limit = 256;

// Looks texts up without making a string of each.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

struct TranslationCache {
  std::unordered_map<std::string, std::shared_ptr<const Translation>, TextHash,
                     std::equal_to<>>
      by_text;
  // The text of the last statement: rows of a file repeat it.
  std::string last_text;
  std::shared_ptr<const Translation> last;
};

std::shared_ptr<const Translation> translation_of(std::string_view text) {
  thread_local TranslationCache cache;
  if (cache.last != nullptr && cache.last_text == text) {
    return cache.last;
  }
  auto found = cache.by_text.find(text);
  std::shared_ptr<const Translation> translation;
  if (found != cache.by_text.end()) {
    translation = found->second;
  } else {
    auto made = std::make_shared<Translation>();
    made->failure = translate_format(text, made->list);
    if (cache.by_text.size() >= k_cache_limit) {
      cache.by_text.clear();
    }
    cache.by_text.emplace(std::string(text), made);
    translation = std::move(made);
  }
  cache.last_text.assign(text);
  cache.last = translation;
  return translation;
}

template <typename Statement>
io::Outcome with_translation(std::string_view text, std::string_view word,
                             int unit, Statement statement) {
  try {
    std::shared_ptr<const Translation> translation = translation_of(text);
    if (!translation->failure.empty()) {
      return io::Outcome::failure(translation->failure, word, unit);
    }
    return statement(translation->list);
  } catch (const std::bad_alloc&) {
    return io::Outcome::failure(io::k_buffer_allocation_failed, word, unit);
  }
}

}  // namespace

io::Outcome read_formatted(io::Runtime& runtime, int unit,
                           std::string_view format_text,
                           std::span<const Item> items,
                           const Settings& settings) {
  UnitRecords records(runtime, unit);
  return with_translation(
      format_text, "READ", unit, [&](const FormatList& list) {
        return read_with_format(&records, unit, {}, list, items,
                                settings.check_real_structure);
      });
}

io::Outcome read_formatted(std::string_view record,
                           std::string_view format_text,
                           std::span<const Item> items,
                           const Settings& settings) {
  return with_translation(
      format_text, "READ", io::k_internal_unit, [&](const FormatList& list) {
        return read_with_format(nullptr, io::k_internal_unit, record, list,
                                items, settings.check_real_structure);
      });
}

io::Outcome read_list_directed(io::Runtime& runtime, int unit,
                               std::span<const Item> items,
                               const Settings& settings) {
  UnitRecords records(runtime, unit);
  try {
    return read_list(records, unit, items, settings.check_real_structure);
  } catch (const std::bad_alloc&) {
    return io::Outcome::failure(io::k_buffer_allocation_failed, "READ", unit);
  }
}

io::Outcome write_formatted(io::Runtime& runtime, int unit,
                            std::string_view format_text,
                            std::span<const Value> values) {
  UnitRecords records(runtime, unit);
  return with_translation(
      format_text, "WRITE", unit, [&](const FormatList& list) {
        return write_with_format(records, unit, list, values);
      });
}

io::Outcome write_list_directed(io::Runtime& runtime, int unit,
                                std::span<const Value> values) {
  UnitRecords records(runtime, unit);
  try {
    return write_list(records, unit, values);
  } catch (const std::bad_alloc&) {
    return io::Outcome::failure(io::k_buffer_allocation_failed, "WRITE", unit);
  }
}

}  // namespace format
