// The compiled part of the vlmimport package: one import through the plug-in, as a host
// runs it, into a reference scene that Python reads as numpy arrays. The package's
// __init__.py builds the documented classes on top of it.
#include <fcntl.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "NormalShape.h"
#include "geometry/SceneColors.h"
#include "platform/Error.h"
#include "refhost/ValidUtf8.h"
#include "session/ImportSession.h"

namespace py = pybind11;

namespace vlm::python {

namespace {

// A file the plug-in could not import; its message is the plug-in's own where it gave one.
class LoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The plug-in, the class registry and the dialog's toolkit are process-wide: one import at
// a time.
std::mutex& importLock() {
  static std::mutex lock;
  return lock;
}

struct LoadedScene {
  refhost::ReferenceScene scene;
  session::PlugInResult identity;
  session::ImportRecord record;
};
using Loaded = std::shared_ptr<LoadedScene>;

struct LoadOptions {
  std::string path;
  std::string format;
  session::ImportChoices choices;
};

// Puts the process back in the folder it was in: the plug-in's dialog changes the current
// folder to the file's, as the dialog a person uses does, which Python's relative paths
// must not feel.
class KeptFolder {
 public:
  KeptFolder() : fd_(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ~KeptFolder() {
    if (fd_ < 0) return;
    if (::fchdir(fd_) != 0) {
      // The folder is gone; the next relative path fails on its own.
    }
    ::close(fd_);
  }
  KeptFolder(const KeptFolder&) = delete;
  KeptFolder& operator=(const KeptFolder&) = delete;

 private:
  int fd_;
};

// The import itself, without the interpreter: the caller has let go of the GIL.
void importInto(LoadedScene& loaded, const LoadOptions& options) {
  const KeptFolder folder;
  session::ImportRecord& record = loaded.record;
  record.file = options.path;
  record.path = std::filesystem::absolute(options.path).string();
  record.format = session::resolveFormat(options.path, options.format);
  if (record.format.empty()) {
    throw LoadError(options.format.empty()
                        ? "unknown format of '" + options.path +
                              "': name one with format='obj'|'dxf'|'3ds'|'inc'|'ply'"
                        : "unknown format '" + options.format +
                              "': it is one of 'obj', 'dxf', '3ds', 'inc', 'ply'");
  }
  session::checkReadable(options.path);
  session::ImportSession session("", false, loaded.scene);
  loaded.identity = session.identity();
  session.run(record, options.choices);
}

Loaded load(const std::string& path, const std::optional<std::string>& format, bool normals,
            bool smooth, bool autoSmooth, const std::optional<py::function>& progress, bool crlf,
            bool fileUnits) {
  auto loaded = std::make_shared<LoadedScene>();
  LoadOptions options{path, format.value_or(""), {}};
  options.choices.normals = normals;
  options.choices.smooth = smooth;
  options.choices.autoSmooth = autoSmooth;
  options.choices.crlf = crlf;
  options.choices.fileUnits = fileUnits;
  std::exception_ptr callbackError;
  if (progress) {
    options.choices.progress = [&progress, &callbackError](double fraction) {
      py::gil_scoped_acquire gil;
      try {
        const py::object answer = (*progress)(fraction);
        return answer.is_none() || PyObject_IsTrue(answer.ptr()) != 0;
      } catch (...) {
        // Raised again once the import has stopped, as the caller's own exception.
        if (!callbackError) callbackError = std::current_exception();
        return false;
      }
    };
  }
  std::string failure;
  {
    py::gil_scoped_release release;
    const std::lock_guard<std::mutex> one(importLock());
    try {
      importInto(*loaded, options);
    } catch (const RuntimeError& e) {
      failure = e.description();
    } catch (const std::exception& e) {
      failure = e.what();
    }
  }
  if (callbackError) std::rethrow_exception(callbackError);
  if (!failure.empty()) throw LoadError(failure);
  if (loaded->record.triangles == 0 && !loaded->record.stopped) {
    throw LoadError(session::shortfallReason(loaded->record));
  }
  return loaded;
}

// A numpy view of memory the scene owns; the view keeps the scene alive.
template <class T>
py::array_t<T> viewOf(const Loaded& loaded, const T* data, size_t rows) {
  auto* owner = new Loaded(loaded);
  const py::capsule base(owner, [](void* p) { delete static_cast<Loaded*>(p); });
  return py::array_t<T>({rows, size_t{3}}, {3 * sizeof(T), sizeof(T)}, data, base);
}

const refhost::CVLMObject& objectAt(const Loaded& loaded, size_t index) {
  if (index >= loaded->scene.objectCount())
    throw py::index_error("no object " + std::to_string(index));
  return loaded->scene.object(index);
}

// An object's index in the scene's list, or -1.
py::ssize_t indexOf(const refhost::ReferenceScene& scene, const refhost::CVLMObject* object) {
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    if (&scene.object(i) == object) return static_cast<py::ssize_t>(i);
  }
  return -1;
}

py::ssize_t materialIndexOf(const refhost::ReferenceScene& scene,
                            const refhost::CVLMMaterial* material) {
  for (size_t i = 0; i < scene.materialCount(); ++i) {
    if (&scene.material(i) == material) return static_cast<py::ssize_t>(i);
  }
  return -1;
}

py::array_t<float> vertexView(const Loaded& loaded, size_t index) {
  const refhost::Mesh& mesh = objectAt(loaded, index).mesh();
  return viewOf(loaded, mesh.vertices().data(), static_cast<size_t>(mesh.vertexCount()));
}

py::array_t<uint32_t> triangleView(const Loaded& loaded, size_t index) {
  const refhost::Mesh& mesh = objectAt(loaded, index).mesh();
  // Stored triangles name existing vertices only, so no index is negative.
  return viewOf(loaded, reinterpret_cast<const uint32_t*>(mesh.triangles().data()),
                static_cast<size_t>(mesh.triangleCount()));
}

py::tuple objectInfo(const Loaded& loaded, size_t index) {
  const refhost::ReferenceScene& scene = loaded->scene;
  const refhost::CVLMObject& o = objectAt(loaded, index);
  const auto parent = o.parent();
  const auto& p = o.position();
  return py::make_tuple(o.key(), refhost::validUtf8(o.name()), indexOf(scene, parent.get()),
                        py::make_tuple(p[0], p[1], p[2]), geometry::displayColor(scene, o),
                        materialIndexOf(scene, geometry::colorMaterial(scene, o)), o.visible());
}

py::tuple materialInfo(const Loaded& loaded, size_t index) {
  if (index >= loaded->scene.materialCount())
    throw py::index_error("no material " + std::to_string(index));
  const refhost::CVLMMaterial& m = loaded->scene.material(index);
  return py::make_tuple(refhost::validUtf8(m.name()), m.materialType(), m.ambientColor(), m.color(),
                        m.specularColor(), m.smoothness(), m.specCoeff(), m.opacity());
}

py::array_t<float> cornerNormals(const Loaded& loaded, size_t index) {
  const refhost::Mesh& mesh = objectAt(loaded, index).mesh();
  const size_t triangles = mesh.hasCornerNormals() ? static_cast<size_t>(mesh.triangleCount()) : 0;
  py::array_t<float> out({triangles, size_t{3}, size_t{3}});
  float* to = out.mutable_data();
  {
    py::gil_scoped_release release;
    for (size_t t = 0; t < triangles; ++t) {
      const std::array<float, 9> n = mesh.normalsOf(static_cast<int32_t>(t));
      std::copy(n.begin(), n.end(), to + 9 * t);
    }
  }
  return out;
}

py::tuple normalShape(const Loaded& loaded, size_t index) {
  const refhost::Mesh& mesh = objectAt(loaded, index).mesh();
  NormalShape shape;
  {
    py::gil_scoped_release release;
    shape = normalShapeOf(mesh);
  }
  if (!shape.perVertex) return py::make_tuple(shape.flat, py::none());
  const size_t rows = shape.vertexNormals.size() / 3;
  py::array_t<float> normals({rows, size_t{3}});
  std::copy(shape.vertexNormals.begin(), shape.vertexNormals.end(), normals.mutable_data());
  return py::make_tuple(shape.flat, normals);
}

std::vector<std::string> messagesOf(const Loaded& loaded) {
  std::vector<std::string> texts;
  for (const ui::MessageRecord& m : loaded->record.messages)
    texts.push_back(refhost::validUtf8(m.text));
  return texts;
}

}  // namespace

}  // namespace vlm::python

PYBIND11_MODULE(_vlmimport, m) {
  using namespace vlm::python;
  m.doc() = "The compiled part of vlmimport; use the functions and classes of vlmimport itself.";
  py::register_exception<LoadError>(m, "ImportError", PyExc_Exception);

  py::class_<LoadedScene, Loaded>(m, "LoadedScene", "One import's reference scene.")
      .def_property_readonly("plugin", [](const Loaded& s) { return s->identity.name; })
      .def_property_readonly("selected", [](const Loaded& s) { return s->record.selectedObject; })
      .def_property_readonly("messages", &messagesOf)
      .def_property_readonly("stopped", [](const Loaded& s) { return s->record.stopped; })
      .def_property_readonly("crlf", [](const Loaded& s) { return s->record.crlf; })
      .def_property_readonly("format", [](const Loaded& s) { return s->record.format; })
      .def_property_readonly("seconds", [](const Loaded& s) { return s->record.seconds; })
      .def_property_readonly("object_count", [](const Loaded& s) { return s->scene.objectCount(); })
      .def_property_readonly("material_count",
                             [](const Loaded& s) { return s->scene.materialCount(); })
      .def("object_info", &objectInfo,
           "(key, name, parent index or -1, position, display colour number, material "
           "index or -1, visible)")
      .def("material_info", &materialInfo,
           "(name, type, ambient, colour, specular, smoothness, spec_coeff, opacity)")
      .def("vertices", &vertexView)
      .def("triangles", &triangleView)
      .def("corner_normals", &cornerNormals)
      .def("normal_shape", &normalShape, "(flat, vertex normals or None)");

  m.def("load", &load, py::arg("path"), py::arg("format") = py::none(), py::arg("normals") = true,
        py::arg("smooth") = true, py::arg("autosmooth") = true, py::arg("progress") = py::none(),
        py::arg("crlf") = false, py::arg("file_units") = false,
        "Imports one file through the plug-in; see vlmimport.load.");
}
