# Type stubs of the package viru4deduz, for editors and type checkers.
import os
from dataclasses import dataclass
from typing import Any

import numpy
import numpy.typing

LOAD_COLUMNS: tuple[str, ...]
DISPLACEMENT_COLUMNS: tuple[str, ...]

class DamagedFileError(ValueError):
    path: str
    record: int
    reason: str
    def __init__(self, path: str, record: int, reason: str) -> None: ...

class NoRestraintError(LookupError):
    node: int
    case: int
    reason: str
    def __init__(self, node: int, case: int, reason: str = ...) -> None: ...

class NoResultsError(LookupError):
    case: int
    reason: str
    def __init__(self, case: int, reason: str = ...) -> None: ...

@dataclass(frozen=True)
class Case:
    number: int
    label: str
    stress_type: str | None
    active: bool
    skipped: bool
    has_results: bool

class Job:
    version: int
    output_file: str
    cases: list[Case]
    def __init__(self, path: str | os.PathLike[str]) -> None: ...
    def __enter__(self) -> Job: ...
    def __exit__(self, *exc: object) -> None: ...
    def close(self) -> None: ...
    @property
    def closed(self) -> bool: ...
    @property
    def nodes(self) -> numpy.typing.NDArray[numpy.int32]: ...
    @property
    def support_nodes(self) -> numpy.typing.NDArray[numpy.int32]: ...
    @property
    def stored_cases(self) -> list[int]: ...
    def loads(self, node: int, case: int, unrounded: bool = False) -> numpy.typing.NDArray[numpy.float32]: ...
    def displacements(self, node: int, case: int) -> numpy.typing.NDArray[numpy.float32]: ...
    def supports(self, case: int | None = None, unrounded: bool = False) -> numpy.typing.NDArray[numpy.float32]: ...
    def envelope(self, cases: list[int] | None = None, types: list[str] | None = None,
                 include_inactive: bool = False, unrounded: bool = False) -> Any: ...
    def supports_frame(self) -> Any: ...

def open(path: str | os.PathLike[str]) -> Job: ...
def compare(a: Job | str | os.PathLike[str], b: Job | str | os.PathLike[str], case: int | None = None,
            threshold: float | str | None = None, unrounded: bool = False) -> Any: ...
