#include "cli/novel_report.h"

#include "platform/paths.h"

namespace pw::cli {

namespace {

constexpr const char* kStatusWords[] = {"done", "failed", "interrupted"};

nlohmann::ordered_json count(const std::optional<std::int64_t>& n) {
    return n ? nlohmann::ordered_json(*n) : nlohmann::ordered_json();
}

std::optional<std::int64_t> countIn(const nlohmann::ordered_json& doc, const char* key) {
    const auto it = doc.find(key);
    if (it == doc.end() || !it->is_number_integer()) return std::nullopt;
    return it->get<std::int64_t>();
}

} // namespace

NovelStatus statusOfExit(int exitStatus) {
    if (exitStatus == 0) return NovelStatus::Done;
    return exitStatus > 128 ? NovelStatus::Interrupted : NovelStatus::Failed;
}

std::string novelJsonLine(const NovelReport& r) {
    nlohmann::ordered_json outputs = nlohmann::ordered_json::array();
    for (const Text& path : r.outputs)
        outputs.push_back(toNativeBytes(path));
    nlohmann::ordered_json doc = {
        {"file", r.file},
        {"encoding", r.encoding ? nlohmann::ordered_json(traitsOf(*r.encoding).id) : nlohmann::ordered_json()},
        {"headings", count(r.headings)},
        {"suspects", count(r.suspects)},
        {"gaps", count(r.gaps)},
        {"chapters", count(r.chapters)},
        {"kept_suspects", count(r.keptSuspects)},
        {"paragraphs", r.paragraphs ? nlohmann::ordered_json(*r.paragraphs) : nlohmann::ordered_json()},
        {"pattern", r.pattern ? nlohmann::ordered_json(*r.pattern) : nlohmann::ordered_json()},
        {"outputs", outputs},
        {"status", kStatusWords[static_cast<int>(r.status)]},
        {"message", r.message}};
    if (r.clean) {
        nlohmann::ordered_json rules = nlohmann::ordered_json::object();
        for (const auto& [rule, n] : *r.clean)
            rules[rule] = n;
        doc["clean"] = rules;
    }
    // Paths keep their bytes on disk; those that are not UTF-8 cannot be said in JSON exactly.
    return doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<NovelReport> parseNovelJson(const std::string& line) {
    // Ordered: the clean-up rules' counts keep the rules' order.
    const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(line, nullptr, false);
    if (!doc.is_object() || !doc.contains("status") || !doc["status"].is_string()) return std::nullopt;
    NovelReport r;
    const std::string status = doc["status"];
    bool known = false;
    for (int i = 0; i < 3; ++i)
        if (status == kStatusWords[i]) {
            r.status = static_cast<NovelStatus>(i);
            known = true;
        }
    if (!known) return std::nullopt;
    if (doc.contains("file") && doc["file"].is_string()) r.file = doc["file"];
    if (doc.contains("encoding") && doc["encoding"].is_string())
        for (const Encoding e : kAllEncodings)
            if (doc["encoding"] == traitsOf(e).id) r.encoding = e;
    r.headings = countIn(doc, "headings");
    r.suspects = countIn(doc, "suspects");
    r.gaps = countIn(doc, "gaps");
    r.chapters = countIn(doc, "chapters");
    r.keptSuspects = countIn(doc, "kept_suspects");
    if (doc.contains("paragraphs") && doc["paragraphs"].is_string()) r.paragraphs = doc["paragraphs"];
    if (doc.contains("pattern") && doc["pattern"].is_string()) r.pattern = doc["pattern"];
    if (doc.contains("outputs") && doc["outputs"].is_array())
        for (const auto& o : doc["outputs"])
            if (o.is_string()) r.outputs.push_back(fromNativeBytes(o.get<std::string>()));
    if (doc.contains("message") && doc["message"].is_string()) r.message = doc["message"];
    if (doc.contains("clean") && doc["clean"].is_object()) {
        r.clean.emplace();
        for (const auto& [rule, n] : doc["clean"].items())
            if (n.is_number_integer()) r.clean->emplace_back(rule, n.get<std::int64_t>());
    }
    return r;
}

} // namespace pw::cli
