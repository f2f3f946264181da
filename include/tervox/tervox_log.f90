! The Fortran interface of tervox_log: the module tervox_log, over the C interface (tervox_log.h),
! on the same logger and registry as every other module of the process. Compile this file with the
! host's own compiler (module files differ between compilers) and link with -ltervox_log.
!
! Strings are Fortran strings of any length, passed as they are: trailing blanks are part of the
! text, so pass trim(name) for a blank-padded variable. A message is never read as a format, and
! is folded as the C interface folds text (a tab after each line feed). The functions return the
! C interface's results: 0, or a negative TERVOX_E_* value; TERVOX_E_NOT_WRITTEN says that the
! line did not reach its file (a full disk, say), and tervox_resume_trace lets the next one try.
!
!   use tervox_log
!   status = tervox_open_trace('run/trace.txt', append=.true.)
!   if (tervox_trace_enabled(TERVOX_LOG_DEBUG)) status = tervox_trace('IMPORT', TERVOX_LOG_DEBUG, &
!       'burst ' // describe(burst))   ! describe runs only when the trace is written
!   status = tervox_record(TERVOX_LVL_ERROR, 306, 'reference.par is missing', 'looked in ./input', &
!       'import.F90', 'import', __LINE__)   ! __LINE__: in .F90 files, which gfortran preprocesses
module tervox_log
  use, intrinsic :: iso_c_binding, only: c_char, c_int, c_long_long, c_null_char, c_size_t
  implicit none
  private

  ! Severities of trace messages and levels of the registry, as in tervox_log.h.
  integer, parameter, public :: TERVOX_LOG_VERBOSE = 0, TERVOX_LOG_DEBUG = 1, &
      TERVOX_LOG_INFO = 2, TERVOX_LOG_PLAIN = 3, TERVOX_LOG_NOTICE = 4, TERVOX_LOG_WARNING = 5, &
      TERVOX_LOG_ERROR = 6
  integer, parameter, public :: TERVOX_LVL_ERROR = 0, TERVOX_LVL_WARNING = 1
  integer, parameter, public :: TERVOX_E_FAILED = -1, TERVOX_E_NO_MEMORY = -2, &
      TERVOX_E_UNKNOWN_CODE = -3, TERVOX_E_INVALID_ARGUMENT = -4, TERVOX_E_NOT_WRITTEN = -5

  public :: tervox_trace, tervox_log_line, tervox_trace_enabled, tervox_set_trace_level, &
      tervox_get_trace_level, tervox_open_trace, tervox_close_trace, tervox_open_log, &
      tervox_close_log, tervox_resume_trace, tervox_resume_log, tervox_record, tervox_push, tervox_last_code, tervox_stack_size, &
      tervox_stack_code, tervox_clear, tervox_last_short_description, tervox_stack_descriptions

  interface
    integer(c_int) function c_trace_text(category, level, file, function, line, text) &
        bind(c, name='tervox_trace_text')
      import :: c_char, c_int
      character(kind=c_char), dimension(*), intent(in) :: category, file, function, text
      integer(c_int), value :: level, line
    end function
    integer(c_int) function c_log_text(category, text) bind(c, name='tervox_log_text')
      import :: c_char, c_int
      character(kind=c_char), dimension(*), intent(in) :: category, text
    end function
    integer(c_int) function c_trace_enabled(level) bind(c, name='tervox_trace_enabled')
      import :: c_int
      integer(c_int), value :: level
    end function
    subroutine c_set_trace_level(level) bind(c, name='tervox_set_trace_level')
      import :: c_int
      integer(c_int), value :: level
    end subroutine
    integer(c_int) function c_get_trace_level() bind(c, name='tervox_get_trace_level')
      import :: c_int
    end function
    integer(c_int) function c_open_trace(path, append) bind(c, name='tervox_open_trace')
      import :: c_char, c_int
      character(kind=c_char), dimension(*), intent(in) :: path
      integer(c_int), value :: append
    end function
    integer(c_int) function c_open_log(path, append) bind(c, name='tervox_open_log')
      import :: c_char, c_int
      character(kind=c_char), dimension(*), intent(in) :: path
      integer(c_int), value :: append
    end function
    integer(c_int) function c_close_trace() bind(c, name='tervox_close_trace')
      import :: c_int
    end function
    integer(c_int) function c_close_log() bind(c, name='tervox_close_log')
      import :: c_int
    end function
    integer(c_int) function c_resume_trace() bind(c, name='tervox_resume_trace')
      import :: c_int
    end function
    integer(c_int) function c_resume_log() bind(c, name='tervox_resume_log')
      import :: c_int
    end function
    integer(c_int) function c_record(level, code, file, function, line, short_text, long_text) &
        bind(c, name='tervox_record')
      import :: c_char, c_int
      integer(c_int), value :: level, code, line
      character(kind=c_char), dimension(*), intent(in) :: file, function, short_text, long_text
    end function
    integer(c_int) function c_push(level, code, short_text, long_text) bind(c, name='tervox_push')
      import :: c_char, c_int
      integer(c_int), value :: level, code
      character(kind=c_char), dimension(*), intent(in) :: short_text, long_text
    end function
    integer(c_int) function c_last_code(level) bind(c, name='tervox_last_code')
      import :: c_int
      integer(c_int), value :: level
    end function
    integer(c_int) function c_stack_size(level) bind(c, name='tervox_stack_size')
      import :: c_int
      integer(c_int), value :: level
    end function
    integer(c_int) function c_stack_code(level, index) bind(c, name='tervox_stack_code')
      import :: c_int
      integer(c_int), value :: level, index
    end function
    subroutine c_clear(level) bind(c, name='tervox_clear')
      import :: c_int
      integer(c_int), value :: level
    end subroutine
    integer(c_long_long) function c_describe(level, buffer, size) &
        bind(c, name='tervox_last_short_description')
      import :: c_char, c_int, c_long_long, c_size_t
      integer(c_int), value :: level
      character(kind=c_char), dimension(*), intent(out) :: buffer
      integer(c_size_t), value :: size
    end function
    integer(c_long_long) function c_stack_descriptions(level, buffer, size) &
        bind(c, name='tervox_stack_descriptions')
      import :: c_char, c_int, c_long_long, c_size_t
      integer(c_int), value :: level
      character(kind=c_char), dimension(*), intent(out) :: buffer
      integer(c_size_t), value :: size
    end function
  end interface

contains

  ! Traces `text` at `level` under `category`, as tervox_trace_text does, with the caller's
  ! location when given (gfortran's preprocessor gives __LINE__ in .F90 files; a __FILE__ that
  ! expands to a long path may break the 132-column line limit). The trace level is tested first,
  ! so a filtered call copies no string.
  integer function tervox_trace(category, level, text, file, function, line) result(status)
    character(len=*), intent(in) :: category, text
    integer, intent(in) :: level
    character(len=*), intent(in), optional :: file, function
    integer, intent(in), optional :: line
    status = 0
    if (c_trace_enabled(int(level, c_int)) == 0) return
    status = c_trace_text(category // c_null_char, int(level, c_int), given(file), &
        given(function), int(given_line(line), c_int), text // c_null_char)
  end function

  ! Writes "[category] text" to the log, whatever the trace level (tervox_log_text).
  integer function tervox_log_line(category, text) result(status)
    character(len=*), intent(in) :: category, text
    status = c_log_text(category // c_null_char, text // c_null_char)
  end function

  ! Whether a trace of `level` would be written at the trace level in force. A call rather than a
  ! read of tervox_log_trace_level: standard Fortran cannot import a variable from a Windows DLL.
  logical function tervox_trace_enabled(level)
    integer, intent(in) :: level
    tervox_trace_enabled = c_trace_enabled(int(level, c_int)) /= 0
  end function

  subroutine tervox_set_trace_level(level)
    integer, intent(in) :: level
    call c_set_trace_level(int(level, c_int))
  end subroutine

  integer function tervox_get_trace_level()
    tervox_get_trace_level = c_get_trace_level()
  end function

  ! Open `path` on the trace (or log) stream, appending unless `append` is .false.
  integer function tervox_open_trace(path, append) result(status)
    character(len=*), intent(in) :: path
    logical, intent(in), optional :: append
    status = c_open_trace(path // c_null_char, appending(append))
  end function

  integer function tervox_open_log(path, append) result(status)
    character(len=*), intent(in) :: path
    logical, intent(in), optional :: append
    status = c_open_log(path // c_null_char, appending(append))
  end function

  integer function tervox_close_trace() result(status)
    status = c_close_trace()
  end function

  integer function tervox_close_log() result(status)
    status = c_close_log()
  end function

  ! Clear the failed state of the trace (or log) stream once the cause is gone, so that the next
  ! line is tried again; what the file holds stays. TERVOX_E_FAILED if no file is open.
  integer function tervox_resume_trace() result(status)
    status = c_resume_trace()
  end function

  integer function tervox_resume_log() result(status)
    status = c_resume_log()
  end function

  ! Records an error or a warning (tervox_record): traced, made the last code and stacked.
  integer function tervox_record(level, code, short_text, long_text, file, function, line) &
      result(status)
    integer, intent(in) :: level, code
    character(len=*), intent(in) :: short_text, long_text
    character(len=*), intent(in), optional :: file, function
    integer, intent(in), optional :: line
    status = c_record(int(level, c_int), int(code, c_int), given(file), given(function), &
        int(given_line(line), c_int), short_text // c_null_char, long_text // c_null_char)
  end function

  ! Stacks a record without tracing it or changing the last code (tervox_push).
  integer function tervox_push(level, code, short_text, long_text) result(status)
    integer, intent(in) :: level, code
    character(len=*), intent(in) :: short_text, long_text
    status = c_push(int(level, c_int), int(code, c_int), short_text // c_null_char, &
        long_text // c_null_char)
  end function

  integer function tervox_last_code(level)
    integer, intent(in) :: level
    tervox_last_code = c_last_code(int(level, c_int))
  end function

  integer function tervox_stack_size(level)
    integer, intent(in) :: level
    tervox_stack_size = c_stack_size(int(level, c_int))
  end function

  ! Stacked code `index`, 0 the oldest (the C index, not a Fortran one).
  integer function tervox_stack_code(level, index)
    integer, intent(in) :: level, index
    tervox_stack_code = c_stack_code(int(level, c_int), int(index, c_int))
  end function

  subroutine tervox_clear(level)
    integer, intent(in) :: level
    call c_clear(int(level, c_int))
  end subroutine

  ! The level's last code described as tervox_last_short_description does; `status` (optional)
  ! receives 0 or the negative result, which leaves the text empty.
  function tervox_last_short_description(level, status) result(text)
    integer, intent(in) :: level
    integer, intent(out), optional :: status
    character(len=:), allocatable :: text
    text = described(level, .false., status)
  end function

  ! The level's stack described as tervox_stack_descriptions does; `status` as above.
  function tervox_stack_descriptions(level, status) result(text)
    integer, intent(in) :: level
    integer, intent(out), optional :: status
    character(len=:), allocatable :: text
    text = described(level, .true., status)
  end function

  ! Asks for the length first, then for the text in a buffer of that length and its terminator.
  function described(level, stack, status) result(text)
    integer, intent(in) :: level
    logical, intent(in) :: stack
    integer, intent(out), optional :: status
    character(len=:), allocatable :: text
    character(kind=c_char) :: none(1)
    character(kind=c_char), allocatable :: buffer(:)
    integer(c_long_long) :: length
    integer :: i
    length = describe_into(none, 0_c_size_t)
    if (length >= 0) then
      allocate (buffer(length + 1))
      ! Another thread may have recorded meanwhile: the text is then cut to the first length.
      length = min(describe_into(buffer, int(length + 1, c_size_t)), length)
    end if
    if (present(status)) status = int(min(length, 0_c_long_long))
    allocate (character(len=max(length, 0_c_long_long)) :: text)
    do i = 1, len(text)
      text(i:i) = buffer(i)
    end do
  contains
    integer(c_long_long) function describe_into(into, size)
      character(kind=c_char), intent(out) :: into(*)
      integer(c_size_t), intent(in) :: size
      if (stack) then
        describe_into = c_stack_descriptions(int(level, c_int), into, size)
      else
        describe_into = c_describe(int(level, c_int), into, size)
      end if
    end function
  end function

  function given(text) result(c_text)
    character(len=*), intent(in), optional :: text
    character(len=:), allocatable :: c_text
    if (present(text)) then
      c_text = text // c_null_char
    else
      c_text = c_null_char
    end if
  end function

  integer function given_line(line)
    integer, intent(in), optional :: line
    given_line = 0
    if (present(line)) given_line = line
  end function

  integer(c_int) function appending(append)
    logical, intent(in), optional :: append
    appending = 1
    if (present(append)) then
      if (.not. append) appending = 0
    end if
  end function

end module tervox_log
