"""Builds the Python package tervox_log with the library inside it (pyproject.toml says how to
install it): CMake builds the library alone and installs it with the package into the build's
folder, where the package finds it beside itself."""

import os
import re
import runpy
import shutil
import subprocess

from setuptools import Distribution, setup
from setuptools.command.build_py import build_py

try:
    from setuptools.command.bdist_wheel import bdist_wheel  # setuptools 70.1 and later
except ImportError:
    from wheel.bdist_wheel import bdist_wheel

ROOT = os.path.dirname(os.path.abspath(__file__))


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as file:
        return re.search(r"project\(tervox_log\s+VERSION\s+([0-9.]+)", file.read()).group(1)


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        build = os.path.abspath(os.path.join(self.get_finalized_command("build").build_temp,
                                             "cmake"))
        subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                        "-DTERVOX_LOG_BUILD_TESTS=OFF", "-DTERVOX_LOG_BUILD_EXAMPLES=OFF",
                        "-DTERVOX_LOG_BUILD_TOOLS=OFF", "-DTERVOX_LOG_PYTHON_DIR=.",
                        "-DCMAKE_INSTALL_LIBDIR=tervox_log", "-DCMAKE_INSTALL_BINDIR=tervox_log"],
                       check=True)
        subprocess.run(["cmake", "--build", build, "--config", "Release", "--target", "tervox_log"],
                       check=True)
        for component in ("runtime", "python"):
            subprocess.run(["cmake", "--install", build, "--config", "Release", "--component",
                            component, "--prefix", os.path.abspath(self.build_lib)], check=True)
        # A wheel holds no symbolic links: the file the package loads becomes the library itself.
        package = os.path.join(self.build_lib, "tervox_log")
        library = os.path.join(package, runpy.run_path(os.path.join(package, "_installed.py"))
                               ["LIBRARY"])
        if os.path.islink(library):
            target = os.path.realpath(library)
            os.remove(library)
            shutil.move(target, library)


class WithLibrary(Distribution):
    # The library makes the package one of its platform, installed where binaries go.
    def has_ext_modules(self):
        return True


class PlatformWheel(bdist_wheel):
    # Any Python 3 loads the library: the package holds no extension module.
    def get_tag(self):
        return ("py3", "none", super().get_tag()[2])


setup(version=version(), packages=["tervox_log"], package_dir={"": "python"},
      package_data={"tervox_log": ["py.typed"]},
      distclass=WithLibrary, options={"build": {"build_base": "build/python-package"}},
      cmdclass={"build_py": BuildWithLibrary, "bdist_wheel": PlatformWheel})
