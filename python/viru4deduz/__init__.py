"""Support loads and node displacements of pipe stress jobs, as numpy arrays.

A first example (the bundled sample job)::

    import viru4deduz
    with viru4deduz.open("build/release/sample/PIPE1.X4") as job:
        print([case.label for case in job.cases])
        frame = job.supports_frame().loc[1]            # case 1: a row for each support node
        print(frame, "\nlargest vertical load:", frame["FY"].abs().max(), "at node", frame["FY"].abs().idxmax())

``open(path)`` takes the job file (PIPE1.X4), its output file (PIPE1._P) or the name without an
extension; each path component is matched without regard to case where it does not exist as
spelled. Every value is bit for bit what the module's GetLoads returns for it: loads are summed
over a node's restraint entries and rounded to whole numbers, rotations are in degrees.
"""

from __future__ import annotations

import dataclasses
import os

import numpy

from . import _viru4deduz

__all__ = ["open", "compare", "Job", "Case", "DamagedFileError", "NoRestraintError", "NoResultsError"]

LOAD_COLUMNS = ("FX", "FY", "FZ", "MX", "MY", "MZ")
DISPLACEMENT_COLUMNS = ("DX", "DY", "DZ", "RX", "RY", "RZ")


class DamagedFileError(ValueError):
    """The output file is damaged, or is not an output file at all.

    ``path`` is the output file, ``record`` the 256-byte record where it applies (0 where none
    does), ``reason`` what is wrong."""

    def __init__(self, path: str, record: int, reason: str):
        where = f" (record {record})" if record else ""
        super().__init__(f"{path}: {reason}{where}")
        self.path, self.record, self.reason = path, record, reason


class NoRestraintError(LookupError):
    """The node has no restraint in the case: there are no support loads to give."""

    def __init__(self, node: int, case: int, reason: str = "no restraint at the node"):
        super().__init__(f"node {node}, load case {case}: {reason}")
        self.node, self.case, self.reason = node, case, reason


class NoResultsError(LookupError):
    """The job has no such load case, or its output file stores no results for it."""

    def __init__(self, case: int, reason: str = "no results for the case"):
        super().__init__(f"load case {case}: {reason}")
        self.case, self.reason = case, reason


_viru4deduz._set_error_classes(DamagedFileError, NoRestraintError, NoResultsError)


def _read_only(array: numpy.ndarray) -> numpy.ndarray:
    """The job keeps the arrays it hands out more than once: nobody may change them under it."""
    array.flags.writeable = False
    return array


@dataclasses.dataclass(frozen=True)
class Case:
    """A load case as the module labels it."""

    number: int              # as a host names it: 1, 2, ..., the skipped leading cases included
    label: str               # the module's label ("CASE 1 (OPE) W+D1+T1+P1")
    stress_type: str | None  # "OPE", "SUS", "EXP", "OCC", "HGR", "FAT", "HYD", or None
    active: bool             # False for a discarded case
    skipped: bool            # one of the leading cases the module's selection list leaves out
    has_results: bool        # the output file stores this case's own results


class Job:
    """An open job. Use ``viru4deduz.open``; close it, or use it as a context manager."""

    def __init__(self, path: str | os.PathLike):
        self._job = _viru4deduz._Job(os.fspath(path))
        self.version: int = self._job.version()
        self.output_file: str = self._job.output_file()
        self.cases: list[Case] = [
            Case(number, label.decode("cp1252", errors="replace"), stress or None, active, not offered, results)
            for number, label, stress, active, offered, results in self._job.cases()]
        self._nodes = self._support_nodes = None

    def __enter__(self) -> "Job":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else f"version {self.version}, {len(self.cases)} cases"
        return f"<viru4deduz.Job {self.output_file!r}: {state}>"

    def close(self) -> None:
        """Closes the output file; the job answers nothing more."""
        self._job.close()

    @property
    def closed(self) -> bool:
        return self._job.closed

    @property
    def nodes(self) -> numpy.ndarray:
        """The node numbers of the results, in file order (int32)."""
        if self._nodes is None:
            self._nodes = _read_only(self._job.nodes())
        return self._nodes

    @property
    def support_nodes(self) -> numpy.ndarray:
        """The nodes with restraints, ascending, each once (int32)."""
        if self._support_nodes is None:
            self._support_nodes = _read_only(self._job.support_nodes())
        return self._support_nodes

    @property
    def stored_cases(self) -> list[int]:
        """The numbers of the cases whose results the file stores: the first axis of supports()."""
        return [case.number for case in self.cases if case.has_results]

    def loads(self, node: int, case: int, unrounded: bool = False) -> numpy.ndarray:
        """FX FY FZ MX MY MZ at the node in the case (float32), as GetLoads gives them; with
        unrounded=True the single-precision sums before the rounding, added in the same order."""
        return self._job.loads(node, case, unrounded)

    def displacements(self, node: int, case: int) -> numpy.ndarray:
        """DX DY DZ RX RY RZ of the node in the case (float32, rotations in degrees); zeros for a
        node without displacements, as GetLoads gives them."""
        return self._job.displacements(node, case)

    def supports(self, case: int | None = None, unrounded: bool = False) -> numpy.ndarray:
        """The loads at every support node (in the order of support_nodes): for one case an array
        (supports, 6); without a case (stored cases, supports, 6), over stored_cases. unrounded:
        as for loads()."""
        if case is not None:
            return self._job.supports([case], unrounded)[0]
        return self._job.supports(self.stored_cases, unrounded)

    def envelope(self, cases=None, types=None, include_inactive: bool = False, unrounded: bool = False):
        """The load summary per support as a pandas DataFrame with the columns NODE, COMPONENT,
        MAX, MAX_CASE, MIN, MIN_CASE: for every support node and each of FX ... MZ, the largest and
        the smallest load over the cases and the case that gives each (the lowest case number on
        a tie). By default every active case with results of its own; ``cases`` names the cases
        instead, ``types`` keeps only cases of those stress types ("OPE", "SUS", ...), and
        ``include_inactive`` takes discarded cases too; ``unrounded`` as for loads()."""
        import pandas

        wanted = sorted(set(cases or []))
        known = {case.number: case for case in self.cases}
        for number in wanted:
            if number not in known or not known[number].has_results:
                reason = "not a load case of the job" if number not in known else "no results stored for it"
                raise NoResultsError(number, reason)
        _, nodes, high, high_case, low, low_case = self._job.envelope(
            wanted, [t.upper() for t in (types or [])], include_inactive, unrounded)
        return pandas.DataFrame({
            "NODE": numpy.repeat(nodes, 6),
            "COMPONENT": numpy.tile(LOAD_COLUMNS, len(nodes)),
            "MAX": high.reshape(-1), "MAX_CASE": high_case.reshape(-1),
            "MIN": low.reshape(-1), "MIN_CASE": low_case.reshape(-1)})

    def supports_frame(self):
        """The loads at every support in every stored case as a pandas DataFrame indexed by
        (case, node), with the columns FX FY FZ MX MY MZ and the case's label."""
        import pandas

        cases = self.stored_cases
        nodes = self.support_nodes
        values = self.supports().reshape(-1, 6)
        index = pandas.MultiIndex.from_product([cases, nodes], names=["case", "node"])
        frame = pandas.DataFrame(values, index=index, columns=list(LOAD_COLUMNS))
        labels = {case.number: case.label for case in self.cases}
        frame["label"] = numpy.repeat([labels[k] for k in cases], len(nodes))
        return frame


def compare(a, b, case: int | None = None, threshold: float | str | None = None, unrounded: bool = False):
    """The loads at every support in every case of two jobs side by side, as a pandas DataFrame
    with the columns CASE, NODE, COMPONENT, A, B, CHANGE (B - A) and PERCENT (of |A|), as
    ``viru4deduz compare --csv`` writes them: a node or a case in one job only has the other
    side's value missing (NaN), and PERCENT is NaN where A is 0. ``a`` and ``b`` are open jobs or
    paths; ``case`` takes one case instead of every case either job stores; ``threshold`` (a
    number, or a text such as "5%") keeps only the rows whose change is at or past it. The frame's
    ``attrs["changed"]`` says whether any row changed (with a threshold: is at or past it).
    ``unrounded`` compares the sums before the module's rounding, as for Job.loads()."""
    import pandas

    jobs = [j if isinstance(j, Job) else Job(j) for j in (a, b)]
    try:
        percent = isinstance(threshold, str) and threshold.strip().endswith("%")
        value = None if threshold is None else float(str(threshold).strip().rstrip("%"))
        if value is not None and not value >= 0:
            raise ValueError(f"threshold {threshold!r} is not a change (100, or '5%')")
        cases, nodes, components, first, second, change, share, shown, changed = _viru4deduz._compare(
            jobs[0]._job, jobs[1]._job, [] if case is None else [case], value, percent, unrounded)
    finally:
        for given, job in zip((a, b), jobs):
            if job is not given:
                job.close()
    frame = pandas.DataFrame({
        "CASE": cases, "NODE": nodes, "COMPONENT": numpy.asarray(LOAD_COLUMNS)[components],
        "A": first, "B": second, "CHANGE": change, "PERCENT": share})[shown].reset_index(drop=True)
    frame.attrs["changed"] = bool(changed)
    return frame


def open(path: str | os.PathLike) -> Job:  # noqa: A001 - the name scripts use
    """Opens the job that path names (the job file, its output file or the name without an
    extension). Raises FileNotFoundError when there is no output file, DamagedFileError when it is
    damaged or not an output file, OSError when it cannot be read."""
    return Job(path)
