// Starts the program with CreateProcessW: the arguments go over as UTF-16,
// so that Cyrillic names reach it whole, and both output pipes are read by
// threads of their own so that neither can fill up and stall it.
#include <windows.h>

#include <functional>
#include <stdexcept>
#include <thread>

#include "image/utf8_path.h"
#include "tests/cli/program_run.h"

namespace flashdisk::testing {

namespace {

std::wstring WideFromUtf8(const std::string& utf8) {
  return PathFromUtf8(utf8).wstring();
}

// Quotes one argument the way the C runtime's parser splits it back.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t character : argument) {
    if (character == L'\\') {
      ++backslashes;
      continue;
    }
    const std::size_t doubled = character == L'"' ? backslashes * 2 + 1 : backslashes;
    quoted.append(doubled, L'\\');
    quoted += character;
    backslashes = 0;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

struct Pipe {
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  Pipe() {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read_end, &write_end, &inherited, 0) ||
        !SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0)) {
      throw std::runtime_error("CreatePipe");
    }
  }
};

void ReadAll(HANDLE pipe, std::string& sink) {
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    sink.append(buffer, count);
  }
  CloseHandle(pipe);
}

}  // namespace

ProgramRun RunProgram(const std::filesystem::path& program_path,
                      const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder) {
  const std::wstring program = program_path.wstring();
  std::wstring command_line = Quoted(program);
  for (const auto& argument : arguments) {
    command_line += L' ' + Quoted(WideFromUtf8(argument));
  }

  Pipe out_pipe;
  Pipe err_pipe;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out_pipe.write_end;
  startup.hStdError = err_pipe.write_end;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                     nullptr, working_folder.c_str(), &startup, &process);
  CloseHandle(out_pipe.write_end);
  CloseHandle(err_pipe.write_end);
  if (!started) {
    CloseHandle(out_pipe.read_end);
    CloseHandle(err_pipe.read_end);
    throw std::runtime_error("cannot start " + Utf8FromPath(program_path));
  }

  ProgramRun run;
  std::thread err_reader(ReadAll, err_pipe.read_end, std::ref(run.err));
  ReadAll(out_pipe.read_end, run.out);
  err_reader.join();
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exit_code = 0;
  GetExitCodeProcess(process.hProcess, &exit_code);
  run.status = static_cast<int>(exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

}  // namespace flashdisk::testing
