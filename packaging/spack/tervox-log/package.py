# SPDX-License-Identifier: MIT
#
# Spack recipe for tervox_log, kept in the project's repository: put packaging/spack in a Spack
# package repository (or copy this folder into one) and install with `spack install tervox-log`.
#
# Not yet run by Spack: it was written where Spack and the network were out of reach. .ci/run
# checks what can be checked without them: that it is valid Python, that its versions hold the one
# in CMakeLists.txt, and that the CMake arguments it passes for each variant are options the
# project reads. Until a release publishes a source archive (then add `url` and each version's
# sha256 here), build from a checkout: `spack develop --path /path/to/tervox_log tervox-log@2.0.0`.

from spack_repo.builtin.build_systems.cmake import CMakePackage

from spack.package import *


class TervoxLog(CMakePackage):
    """Process-wide error registry and trace logger for the tervox processing tools: a C++17 shared
    library with a C interface, a Fortran module and a Python package, and tervox-errors, the
    operators' tool that explains error codes and the errors recorded in traces."""

    license("MIT")

    version("2.0.0")

    variant("tool", default=True, description="Build and install the tervox-errors tool")
    variant("python", default=False, description="Install the Python package tervox_log")
    variant(
        "fortran",
        default=True,
        description="Install the Fortran module's source and the CMake target "
        "tervox::tervox_log_fortran (hosts compile the module with their own compiler)",
    )

    depends_on("cxx", type="build")
    depends_on("cmake@3.21:", type="build")
    depends_on("googletest", type="test")
    # Pure Python over the library's C interface: no compiled extension, any Python 3.
    extends("python", when="+python")
    depends_on("python@3:", type=("build", "run"), when="+python")

    def cmake_args(self):
        args = [
            self.define_from_variant("TERVOX_LOG_BUILD_TOOLS", "tool"),
            self.define_from_variant("TERVOX_LOG_PYTHON", "python"),
            self.define_from_variant("TERVOX_LOG_FORTRAN", "fortran"),
            self.define("TERVOX_LOG_BUILD_TESTS", self.run_tests),
            self.define("TERVOX_LOG_BUILD_EXAMPLES", False),
        ]
        if self.spec.satisfies("+python"):
            # Where this Python looks for packages, relative to the prefix.
            args.append(self.define("TERVOX_LOG_PYTHON_DIR", self.spec["python"].package.purelib))
        return args
