# Builds the compiled module `kinelab._kinelab` with CMake (only its target; no program, test or
# benchmark) for the interpreter running this, and hands it to setuptools with the package's
# Python files (python/kinelab). pyproject.toml names this backend.
import os
import re
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(kinelab VERSION ([0-9.]+)", text).group(1)


class cmake_build_ext(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        subprocess.run(
            ["cmake", "-S", str(ROOT), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
             f"-DPython_EXECUTABLE={sys.executable}", "-DKINELAB_PYTHON=ON",
             "-DKINELAB_GUI=OFF", "-DKINELAB_TESTS=OFF", "-DKINELAB_BENCH=OFF"],
            check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(["cmake", "--build", str(build), "--target", "kinelab_python",
                        "--parallel", jobs], check=True)
        built = next((build / "python" / "kinelab").glob("_kinelab*.so"), None)
        if built is None:
            sys.exit(f"kinelab: CMake did not build the module (see above; {build})")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


setup(version=project_version(),
      packages=["kinelab"], package_dir={"": "python"},
      ext_modules=[Extension("kinelab._kinelab", sources=[])],
      cmdclass={"build_ext": cmake_build_ext},
      options={"build": {"build_base": "build-python"}},
      zip_safe=False)
