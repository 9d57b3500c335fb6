"""The Python package against the command's JSON, on the bundled sample and on jobs of the
project's writer in several versions: every value bit for bit, every error type, the context
manager closing the file, and jobs read from several threads at once."""

import json
import os
import shutil
import subprocess
import threading
import warnings

import numpy
import pytest

import viru4deduz

CLI = os.environ["VIRU4DEDUZ_CLI"]
WRITER = os.environ["VIRU4DEDUZ_WRITER"]
SAMPLE = os.environ["VIRU4DEDUZ_SAMPLE"]
VERSIONS = [110, 711, 1211, 1451, 1521, 1531]
# The programs run without the sanitizers' runtime that a sanitizer build loads into this process.
PROGRAM_ENV = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}


def command(*args):
    """The command's JSON document for args."""
    return json.loads(subprocess.run([CLI, *args, "--json"], check=True, capture_output=True, text=True, env=PROGRAM_ENV).stdout)


def as_float32(row, keys):
    return numpy.array([row[k] for k in keys], dtype=numpy.float32)


def written(tmp_path, version):
    path = tmp_path / f"job{version}._p"
    subprocess.run([WRITER, str(path), str(version)], check=True, env=PROGRAM_ENV)
    return str(path)


def assert_same_bits(a, b):
    assert a.dtype == b.dtype == numpy.float32 and a.tobytes() == b.tobytes(), (a, b)


@pytest.fixture(params=["sample"] + VERSIONS)
def job_path(request, tmp_path):
    if request.param == "sample":
        shutil.copy(SAMPLE, tmp_path / "PIPE1._P")
        return str(tmp_path / "pipe1.x4")  # the job file's name, in another case
    return written(tmp_path, request.param)


def test_every_value_is_the_commands(job_path):
    supports = command("supports", job_path, "--all-cases")
    with viru4deduz.open(job_path) as job:
        assert job.version == supports["version"]
        assert [(c.number, c.label, c.skipped, c.has_results) for c in job.cases] == [
            (c["case"], c["label"], c["skipped"], c["results"]) for c in command("cases", job_path)["cases"]]
        stored = [c for c in supports["cases"] if c["results"]]
        assert job.stored_cases == [c["case"] for c in stored]
        assert list(job.support_nodes) == [row["node"] for row in stored[0]["rows"]]
        assert job.support_nodes.dtype == job.nodes.dtype == numpy.int32
        with pytest.raises(ValueError):  # kept by the job, so not to be changed
            job.support_nodes[0] = 0
        every = job.supports()
        assert every.shape == (len(stored), len(job.support_nodes), 6)
        frame = job.supports_frame()
        for k, case in enumerate(stored):
            one = job.supports(case["case"])
            for s, row in enumerate(case["rows"]):
                expected = as_float32(row, ["fx", "fy", "fz", "mx", "my", "mz"])
                for got in (every[k, s], one[s], job.loads(row["node"], case["case"]),
                            frame.loc[(case["case"], row["node"])][list(viru4deduz.LOAD_COLUMNS)].to_numpy(numpy.float32)):
                    assert_same_bits(got, expected)
            assert (frame.loc[case["case"]]["label"] == case["label"]).all()
        # Every node in the last stored case, the first in every other; two nodes a command.
        asked = [(int(n), stored[-1]["case"]) for n in job.nodes] + [(int(job.nodes[0]), c["case"]) for c in stored[:-1]]
        for (a, case), (b, _) in zip(asked[::2], asked[1::2] + asked[-1:]):
            if _ != case:
                b = a
            rows = command("displacements", job_path, "--node", str(a), "--node", str(b), "--case", str(case))["cases"][0]["rows"]
            for node, row in zip((a, b), rows):
                assert_same_bits(job.displacements(node, case), as_float32(row, ["dx", "dy", "dz", "rx", "ry", "rz"]))


def test_the_envelope_is_the_commands(job_path):
    with viru4deduz.open(job_path) as job:
        for args, kwargs in (([], {}), (["--include-inactive"], {"include_inactive": True}),
                             (["--type", "OPE,SUS"], {"types": ["ope", "SUS"]})):
            expected = command("envelope", job_path, *args)["envelope"]
            frame = job.envelope(**kwargs)
            assert list(frame.columns) == ["NODE", "COMPONENT", "MAX", "MAX_CASE", "MIN", "MIN_CASE"]
            assert [tuple(row) for row in frame.itertuples(index=False)] == [
                (r["node"], r["component"], r["max"], r["max_case"], r["min"], r["min_case"]) for r in expected]
        first = job.stored_cases[0]
        assert (job.envelope(cases=[first])["MAX"].to_numpy() == job.supports(first).reshape(-1)).all()
        with pytest.raises(viru4deduz.NoResultsError):
            job.envelope(cases=[len(job.cases) + 1])


def test_compare_is_the_commands(tmp_path):
    first = written(tmp_path, 1531)
    other = tmp_path / "PIPE1._P"  # the sample: other nodes, more cases, other values
    shutil.copy(SAMPLE, other)
    for threshold, args in ((None, []), ("5%", ["--threshold", "5%"]), (150, ["--threshold", "150"])):
        run = subprocess.run([CLI, "compare", first, str(other), "--json", *args], capture_output=True, text=True,
                             env=PROGRAM_ENV)
        expected = json.loads(run.stdout)["rows"]
        frame = viru4deduz.compare(first, other, threshold=threshold)
        assert frame.attrs["changed"] == (run.returncode == 1)
        assert len(frame) == len(expected) > 0
        nan_is_none = lambda v: None if numpy.isnan(v) else v
        for row, want in zip(frame.itertuples(index=False), expected):
            assert (row.CASE, row.NODE, row.COMPONENT) == (want["case"], want["node"], want["component"])
            assert (nan_is_none(row.A), nan_is_none(row.B), nan_is_none(row.CHANGE)) == (want["a"], want["b"], want["change"])
            assert nan_is_none(row.PERCENT) == (None if want["percent"] is None else pytest.approx(want["percent"], rel=1e-6))
    with viru4deduz.open(first) as job:
        same = viru4deduz.compare(job, job)  # one job on both sides
        assert not same.attrs["changed"] and (same["CHANGE"] == 0).all() and not job.closed


def test_workbooks_hold_the_commands_tables(tmp_path):
    openpyxl = pytest.importorskip("openpyxl")
    sample = tmp_path / "PIPE1._P"
    shutil.copy(SAMPLE, sample)
    other = written(tmp_path, 1531)
    for args, sheet in ((["supports", str(sample), "--all-cases"], "Supports"), (["envelope", str(sample)], "Envelope"),
                        (["compare", str(sample), other], "Compare")):
        book_path = tmp_path / f"{sheet}.xlsx"
        status = subprocess.run([CLI, *args, "--xlsx", str(book_path)], env=PROGRAM_ENV, capture_output=True).returncode
        assert status in (0, 1)  # compare: the jobs differ
        csv = subprocess.run([CLI, *args, "--csv"], env=PROGRAM_ENV, capture_output=True, text=True).stdout.splitlines()
        with warnings.catch_warnings():
            warnings.simplefilter("error")  # a workbook a reader opens without a word
            book = openpyxl.load_workbook(book_path, read_only=False)
        assert book.sheetnames == ["Job", sheet]
        table = book[sheet]
        assert table.freeze_panes == "A2"
        cells = [["" if v is None else v for v in row] for row in table.iter_rows(values_only=True)]
        assert cells[0] == csv[0].split(",")
        assert len(cells) == len(csv)
        for row, line in zip(cells[1:], csv[1:]):
            for value, text in zip(row, line.split(",", len(row) - 1)):
                if isinstance(value, str):
                    assert value == text
                else:
                    assert numpy.float32(value) == numpy.float32(float(text)), (row, line)
        job_sheet = list(book["Job"].iter_rows(values_only=True))
        assert job_sheet[0] == ("JOB", "OUTPUT FILE", "VERSION", "CASE", "LABEL", "ACTIVE", "RESULTS")
        assert job_sheet[1][2:5] == (1531, 1, "CASE 1 (OPE) W+D1+T1+P1")


def test_unrounded_sums_round_to_the_answer_and_are_the_commands(job_path):
    with viru4deduz.open(job_path) as job:
        exact, rounded = job.supports(unrounded=True), job.supports()
        # Half away from zero, as the module rounds: the unrounded sums give the answer.
        assert_same_bits(numpy.trunc(exact + numpy.copysign(numpy.float32(0.5), exact)) + numpy.float32(0), rounded)
        case = job.stored_cases[0]
        rows = command("supports", job_path, "--case", str(case), "--unrounded")["cases"][0]["rows"]
        for s, row in enumerate(rows):
            expected = as_float32(row, ["fx", "fy", "fz", "mx", "my", "mz"])
            assert_same_bits(exact[0, s], expected)
            assert_same_bits(job.loads(row["node"], case, unrounded=True), expected)
        assert (job.envelope(unrounded=True)["MAX"].to_numpy() >= job.envelope()["MAX"].to_numpy() - 0.5).all()


def test_each_error_has_its_type(tmp_path):
    with pytest.raises(FileNotFoundError) as missing:
        viru4deduz.open(tmp_path / "absent.x4")
    assert missing.value.filename.endswith("absent._p")
    path = written(tmp_path, 1531)
    with open(path, "rb") as f:
        whole = f.read()
    (tmp_path / "cut._p").write_bytes(whole[:len(whole) - 512])
    with viru4deduz.open(tmp_path / "cut._p") as cut, pytest.raises(viru4deduz.DamagedFileError) as damaged:
        cut.supports()
    assert isinstance(damaged.value, ValueError)
    assert damaged.value.path.endswith("cut._p") and damaged.value.record == len(whole) // 256 - 1
    assert "end of the file" in damaged.value.reason
    (tmp_path / "other._p").write_bytes(b"x" * 300)
    with pytest.raises(viru4deduz.DamagedFileError, match="not one the module reads"):
        viru4deduz.open(tmp_path / "other._p")
    with viru4deduz.open(path) as job:
        free = next(int(n) for n in job.nodes if n not in set(job.support_nodes))
        with pytest.raises(viru4deduz.NoRestraintError) as unrestrained:
            job.loads(free, 1)
        assert isinstance(unrestrained.value, LookupError)
        assert (unrestrained.value.node, unrestrained.value.case) == (free, 1)
        for case in (0, len(job.cases) + 1):
            with pytest.raises(viru4deduz.NoResultsError) as none:
                job.supports(case)
            assert isinstance(none.value, LookupError) and none.value.case == case


def test_the_context_manager_closes_the_file(tmp_path):
    path = written(tmp_path, 1531)
    open_files = lambda: {os.path.realpath(f"/proc/self/fd/{fd}") for fd in os.listdir("/proc/self/fd")}
    with viru4deduz.open(path) as job:
        assert os.path.realpath(path) in open_files()
    assert job.closed and os.path.realpath(path) not in open_files()
    with pytest.raises(ValueError, match="closed"):
        job.loads(10, 1)


def test_jobs_answer_from_several_threads_at_once(tmp_path):
    paths = [written(tmp_path, v) for v in (1451, 1531)]
    jobs = [viru4deduz.open(p) for p in paths]
    expected = [job.supports() for job in jobs]
    wrong = []

    def work(k):
        for _ in range(200):
            if jobs[k % 2].supports().tobytes() != expected[k % 2].tobytes():
                wrong.append(k)

    threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]  # two threads share each job
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not wrong
    for job in jobs:
        job.close()


def test_help_shows_a_first_example():
    assert "viru4deduz.open(" in viru4deduz.__doc__ and "supports_frame()" in viru4deduz.__doc__
