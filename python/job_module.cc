// The extension module _viru4deduz: the job library's answers as numpy arrays. The arrays are
// filled in C++ and the GIL is let go while the file is read; the package viru4deduz (this
// folder's viru4deduz/__init__.py) wraps it in the Python API and its exceptions.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "VirU4Deduz/Compare.h"
#include "VirU4Deduz/Envelope.h"
#include "VirU4Deduz/Job.h"

namespace py = pybind11;
using viru4deduz::api::Cause;
using viru4deduz::api::Components;
using viru4deduz::api::Error;
using viru4deduz::api::Job;
using viru4deduz::api::Rounding;

Rounding RoundingOf(bool unrounded) { return unrounded ? Rounding::kNone : Rounding::kWhole; }

namespace {

// The package's exception classes, handed over once when it is imported. Kept for the life of
// the process: they outlive every call that raises them.
struct ErrorClasses {
  py::handle damaged, noRestraint, noResults;
};
ErrorClasses errorClasses;

void SetErrorClasses(py::object damaged, py::object noRestraint, py::object noResults) {
  errorClasses = {damaged.release(), noRestraint.release(), noResults.release()};
}

// The job library's error as the package's exception, with the node and case of the question.
[[noreturn]] void Raise(const Error& e, std::optional<std::int32_t> node, std::optional<int> loadCase) {
  py::object error;
  switch (e.cause()) {
    case Cause::kMissing:
      error = py::reinterpret_steal<py::object>(PyObject_CallFunction(
          PyExc_FileNotFoundError, "iss", ENOENT, e.detail().c_str(), e.file().c_str()));
      break;
    case Cause::kUnreadable:
      error = py::reinterpret_steal<py::object>(
          PyObject_CallFunction(PyExc_OSError, "iss", EIO, e.detail().c_str(), e.file().c_str()));
      break;
    case Cause::kNotOutputFile:
    case Cause::kDamaged:
      error = errorClasses.damaged(e.file(), e.record(), e.detail());
      break;
    case Cause::kNoRestraint:
      error = errorClasses.noRestraint(node.value_or(0), loadCase.value_or(0), e.detail());
      break;
    case Cause::kNoSuchCase:
    case Cause::kNoResults:
      error = errorClasses.noResults(loadCase.value_or(0), e.detail());
      break;
  }
  if (!error) throw py::error_already_set();
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

// One open job. Its calls take turns (a job's reading state is its own), each with the GIL let go.
class PyJob {
 public:
  explicit PyJob(const std::string& path) {
    try {
      py::gil_scoped_release released;
      job_ = std::make_unique<Job>(Job::Open(path));
    } catch (const Error& e) {
      Raise(e, std::nullopt, std::nullopt);
    }
  }

  // fn(job) with the GIL let go and the job's turn taken; the job library's errors raised as the
  // package's, naming node and loadCase.
  template <typename Fn>
  auto Call(Fn fn, std::optional<std::int32_t> node = std::nullopt, std::optional<int> loadCase = std::nullopt) {
    try {
      py::gil_scoped_release released;
      std::lock_guard<std::mutex> turn(mutex_);
      if (!job_) throw std::runtime_error("the job is closed");
      return fn(*job_);
    } catch (const Error& e) {
      Raise(e, node, loadCase);
    } catch (const std::runtime_error& e) {
      throw py::value_error(e.what());
    }
  }

  // fn(this job, other job) as Call does, with both jobs' turns taken (once, for one job twice).
  template <typename Fn>
  auto CallWith(PyJob& other, Fn fn) {
    try {
      py::gil_scoped_release released;
      std::unique_lock<std::mutex> mine(mutex_, std::defer_lock), theirs(other.mutex_, std::defer_lock);
      if (&other == this) {
        mine.lock();
      } else {
        std::lock(mine, theirs);
      }
      if (!job_ || !other.job_) throw std::runtime_error("the job is closed");
      return fn(*job_, *other.job_);
    } catch (const Error& e) {
      Raise(e, std::nullopt, std::nullopt);
    } catch (const std::runtime_error& e) {
      throw py::value_error(e.what());
    }
  }

  void Close() {
    py::gil_scoped_release released;
    std::lock_guard<std::mutex> turn(mutex_);
    job_.reset();
  }
  bool closed() {
    std::lock_guard<std::mutex> turn(mutex_);
    return !job_;
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<Job> job_;
};

py::array_t<std::int32_t> IntArray(const std::vector<std::int32_t>& values) {
  py::array_t<std::int32_t> array(static_cast<py::ssize_t>(values.size()));
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

py::array_t<float> Set(const Components& values) {
  py::array_t<float> array(6);
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

}  // namespace

// The support loads of two jobs side by side, as columns: case, node, component (0..5), a and b
// (NaN where missing), the change and the percentage (NaN where there is none), and which rows are
// at or past the threshold (every row without one) with whether any row changed (or, with a
// threshold, is at or past it).
py::tuple Compare(PyJob& a, PyJob& b, const std::vector<int>& cases, std::optional<double> threshold, bool percent,
                  bool unrounded) {
  const auto rows = a.CallWith(b, [&](Job& first, Job& second) {
    return viru4deduz::api::CompareSupportLoads(first, second, cases, RoundingOf(unrounded));
  });
  const auto n = static_cast<py::ssize_t>(rows.size());
  py::array_t<std::int32_t> loadCase(n), node(n), component(n);
  py::array_t<float> valueA(n), valueB(n);
  py::array_t<double> change(n), share(n);
  py::array_t<bool> shown(n);
  const double none = std::numeric_limits<double>::quiet_NaN();
  bool different = false;
  const viru4deduz::api::ChangeThreshold limit{threshold.value_or(0.0), percent};
  for (py::ssize_t i = 0; i < n; ++i) {
    const auto& row = rows[static_cast<std::size_t>(i)];
    loadCase.mutable_at(i) = row.loadCase;
    node.mutable_at(i) = row.node;
    component.mutable_at(i) = row.component;
    valueA.mutable_at(i) = row.a.value_or(static_cast<float>(none));
    valueB.mutable_at(i) = row.b.value_or(static_cast<float>(none));
    change.mutable_at(i) = row.Change().value_or(none);
    share.mutable_at(i) = row.Percent().value_or(none);
    shown.mutable_at(i) = !threshold || viru4deduz::api::AtOrPast(row, limit);
    different = different || (threshold ? viru4deduz::api::AtOrPast(row, limit) : viru4deduz::api::Changed(row));
  }
  return py::make_tuple(loadCase, node, component, valueA, valueB, change, share, shown, different);
}

PYBIND11_MODULE(_viru4deduz, m) {
  m.doc() = "The job library's answers as numpy arrays (use the package viru4deduz).";
  m.def("_set_error_classes", &SetErrorClasses);
  m.def("_compare", &Compare);
  py::class_<PyJob>(m, "_Job")
      .def(py::init<const std::string&>())
      .def("close", &PyJob::Close)
      .def_property_readonly("closed", &PyJob::closed)
      .def("version", [](PyJob& j) { return j.Call([](Job& job) { return job.version(); }); })
      .def("output_file", [](PyJob& j) { return j.Call([](Job& job) { return job.outputFile(); }); })
      // (number, label in Windows-1252, stress type, active, offered, has results) for each case.
      .def("cases",
           [](PyJob& j) {
             const auto cases = j.Call([](Job& job) { return job.cases(); });
             py::list list;
             for (const auto& c : cases) {
               list.append(py::make_tuple(c.number, py::bytes(c.label), c.stressType, c.active, c.offered,
                                          c.hasResults));
             }
             return list;
           })
      .def("nodes", [](PyJob& j) { return IntArray(j.Call([](Job& job) { return job.Nodes(); })); })
      .def("support_nodes", [](PyJob& j) { return IntArray(j.Call([](Job& job) { return job.SupportNodes(); })); })
      .def("loads",
           [](PyJob& j, std::int32_t node, int loadCase, bool unrounded) {
             return Set(j.Call([&](Job& job) { return job.LoadsAt(node, loadCase, RoundingOf(unrounded)); }, node,
                               loadCase));
           })
      .def("displacements",
           [](PyJob& j, std::int32_t node, int loadCase) {
             return Set(j.Call([&](Job& job) { return job.DisplacementsAt(node, node, loadCase)[0]; }, node,
                               loadCase));
           })
      // The envelope over the cases chosen as the job library chooses them: (the cases taken, the
      // support nodes, max (supports, 6), its cases, min, its cases).
      .def("envelope",
           [](PyJob& j, const std::vector<int>& cases, const std::vector<std::string>& types, bool includeInactive,
              bool unrounded) {
             std::vector<int> taken;
             const auto envelope = j.Call([&](Job& job) {
               taken = viru4deduz::api::SelectCases(job, {cases, types, includeInactive});
               return viru4deduz::api::EnvelopeOf(job, taken, RoundingOf(unrounded));
             });
             const auto n = static_cast<py::ssize_t>(envelope.size());
             py::array_t<std::int32_t> nodes(n), maxCase({n, py::ssize_t{6}}), minCase({n, py::ssize_t{6}});
             py::array_t<float> max({n, py::ssize_t{6}}), min({n, py::ssize_t{6}});
             for (py::ssize_t i = 0; i < n; ++i) {
               const auto& at = envelope[static_cast<std::size_t>(i)];
               nodes.mutable_at(i) = at.node;
               for (py::ssize_t m = 0; m < 6; ++m) {
                 const auto& r = at.components[static_cast<std::size_t>(m)];
                 max.mutable_at(i, m) = r.max;
                 maxCase.mutable_at(i, m) = r.maxCase;
                 min.mutable_at(i, m) = r.min;
                 minCase.mutable_at(i, m) = r.minCase;
               }
             }
             return py::make_tuple(taken, nodes, max, maxCase, min, minCase);
           })
      // The loads at every support, in the order of support_nodes, for each of the cases: an
      // array (len(cases), supports, 6), filled case by case.
      .def("supports", [](PyJob& j, const std::vector<int>& cases, bool unrounded) {
        const std::size_t supports = j.Call([](Job& job) { return job.SupportNodes().size(); });
        py::array_t<float> array({static_cast<py::ssize_t>(cases.size()), static_cast<py::ssize_t>(supports),
                                  py::ssize_t{6}});
        float* const out = array.mutable_data();
        for (std::size_t k = 0; k < cases.size(); ++k) {
          j.Call([&](Job& job) {
            job.SupportLoadsInto(cases[k], std::span<float>(out + k * 6 * supports, 6 * supports), RoundingOf(unrounded));
            return 0;
          }, std::nullopt, cases[k]);
        }
        return array;
      });
}
