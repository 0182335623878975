"""Builds nldat for Python with the repository's CMake build: the extension
_nldat and the module uwinldat.so, both put into the package."""

import os
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        if not (ROOT / "CMakeLists.txt").exists():
            sys.exit("nldat: build from the repository (pip install ./python), where CMakeLists.txt is one folder up")
        build = Path(self.build_temp).resolve() / "cmake"
        build.mkdir(parents=True, exist_ok=True)
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DNLDAT_TESTS=OFF", "-DNLDAT_BENCH=OFF", "-DNLDAT_WITH_POSTGRES=OFF",
            "-DNLDAT_WITH_PYTHON=ON", f"-DNLDAT_PYTHON={sys.executable}",
        ]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "nldat_python", "-j", jobs], check=True)
        built = build / "python" / "nldat"
        target = Path(self.get_ext_fullpath(ext.name)).resolve().parent
        target.mkdir(parents=True, exist_ok=True)
        for name in [Path(self.get_ext_filename(ext.name)).name, "uwinldat.so"]:
            shutil.copy2(built / name, target / name)


setup(ext_modules=[CMakeExtension("nldat._nldat")], cmdclass={"build_ext": CMakeBuild})
