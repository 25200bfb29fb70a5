#include "Report.h"

#include <cstdio>

#include "refhost/Mesh.h"

namespace vlm::vlmhost {

namespace {

using Json = nlohmann::ordered_json;

std::string rgb(int64_t color) {
  return std::to_string(color & 0xFF) + "," + std::to_string((color >> 8) & 0xFF) + "," +
         std::to_string((color >> 16) & 0xFF);
}

std::string quoted(const Json& text) { return text.is_string() ? text.dump() : "-"; }

void printObject(std::ostream& out, const Json& o) {
  out << "  " << o["key"].get<std::string>() << " " << quoted(o["name"]) << ": parent "
      << (o["parent"].is_null() ? std::string("-") : o["parent"].get<std::string>()) << ", "
      << o["vertexCount"] << " vertices, " << o["triangleCount"] << " triangles, "
      << o["normalRecords"] << " normal records, material " << quoted(o["material"]);
  if (o["invalidPolygons"].get<int64_t>() > 0) {
    out << ", " << o["invalidPolygons"] << " invalid polygons";
  }
  out << '\n';
}

void printMaterial(std::ostream& out, const Json& m) {
  out << "  " << quoted(m["name"]) << ": ambient " << rgb(m["ambient"].get<int64_t>()) << ", color "
      << rgb(m["color"].get<int64_t>()) << ", specular " << rgb(m["specular"].get<int64_t>())
      << '\n';
}

Json messagesJson(const std::vector<ui::MessageRecord>& messages) {
  Json shown = Json::array();
  for (const ui::MessageRecord& m : messages) {
    shown.push_back(Json{{"text", refhost::validUtf8(m.text)},
                         {"icon", ui::iconName(m.icon)},
                         {"buttons", ui::buttonsName(m.buttons)},
                         {"title", refhost::validUtf8(m.title)}});
  }
  return shown;
}

Json importJson(const refhost::ReferenceScene& scene, const ImportRecord& record) {
  Json keys = Json::array();
  for (size_t i = record.firstObject; i < record.endObject; ++i) {
    keys.push_back(scene.object(i).key());
  }
  return Json{{"file", refhost::validUtf8(record.file)},
              {"format", record.format},
              {"selectedObject", record.selectedObject},
              {"objects", std::move(keys)},
              {"messages", messagesJson(record.messages)}};
}

void printSelected(std::ostream& out, const refhost::ReferenceScene& scene,
                   const std::vector<ImportRecord>& imports) {
  if (imports.size() == 1) {
    out << "SelectedObject: " << imports.front().selectedObject << '\n';
    return;
  }
  out << "Imports: " << imports.size() << '\n';
  for (const ImportRecord& r : imports) {
    out << "  " << Json(refhost::validUtf8(r.file)).dump() << " (" << r.format << "): ";
    if (r.endObject > r.firstObject) {
      out << "objects " << scene.object(r.firstObject).key();
      if (r.endObject - r.firstObject > 1) out << ".." << scene.object(r.endObject - 1).key();
    } else {
      out << "no objects";
    }
    out << ", SelectedObject " << r.selectedObject << '\n';
  }
}

}  // namespace

std::string shortfallLine(const std::string& file, const std::string& reason) {
  if (reason == "no triangles in " + file) return "vlmhost: " + reason;
  return "vlmhost: " + file + ": " + reason;
}

void printMessages(std::FILE* out, const std::vector<ui::MessageRecord>& messages) {
  for (const ui::MessageRecord& m : messages) {
    std::fprintf(out, "message \"%s\" (%s, %s): %s\n", m.title.c_str(),
                 std::string(ui::iconName(m.icon)).c_str(),
                 std::string(ui::buttonsName(m.buttons)).c_str(), m.text.c_str());
  }
}

void printSummary(std::ostream& out, const refhost::ReferenceScene& scene,
                  const PlugInResult& plugIn, const std::vector<ImportRecord>& imports) {
  const Json report = scene.toJson(false);
  out << "Plug-in: " << plugIn.name << " (type " << plugIn.type << ")\n";
  out << "Objects: " << report["objects"].size() << '\n';
  for (const Json& o : report["objects"]) printObject(out, o);
  out << "Materials: " << report["materials"].size() << '\n';
  for (const Json& m : report["materials"]) printMaterial(out, m);
  printSelected(out, scene, imports);
}

void printStats(std::ostream& out, const refhost::ReferenceScene& scene,
                const std::vector<ImportRecord>& imports, std::optional<double> exportSeconds) {
  double seconds = 0;
  for (const ImportRecord& r : imports) seconds += r.seconds;
  long long vertices = 0, triangles = 0;
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    vertices += scene.object(i).mesh().vertexCount();
    triangles += scene.object(i).mesh().triangleCount();
  }
  char line[96];
  std::snprintf(line, sizeof line, "load_s=%.4f verts=%lld faces=%lld", seconds, vertices,
                triangles);
  out << line;
  if (exportSeconds) {
    std::snprintf(line, sizeof line, " export_s=%.4f", *exportSeconds);
    out << line;
  }
  out << '\n';
}

void printJson(std::ostream& out, const refhost::ReferenceScene& scene, const PlugInResult& plugIn,
               const std::vector<ImportRecord>& imports, bool geometry) {
  std::vector<ui::MessageRecord> all;
  Json perImport = Json::array();
  for (const ImportRecord& r : imports) {
    all.insert(all.end(), r.messages.begin(), r.messages.end());
    perImport.push_back(importJson(scene, r));
  }
  const Json extra{
      {"plugin", Json{{"name", refhost::validUtf8(plugIn.name)}, {"type", plugIn.type}}},
      {"selectedObject", imports.empty() ? 0 : imports.back().selectedObject},
      {"messages", messagesJson(all)},
      {"imports", std::move(perImport)}};
  scene.writeJson(out, geometry, extra);
  out << '\n';
}

}  // namespace vlm::vlmhost
