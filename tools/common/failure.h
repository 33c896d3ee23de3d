// How every failure in the publisher tools travels: a Failure, which carries
// its message in words for the user, up to the tool's main, which prints it.
#ifndef TOOLKIT_FAILURE_H
#define TOOLKIT_FAILURE_H

#include <stdexcept>
#include <string>

namespace toolkit {

class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& why) : std::runtime_error(why) {}
};

// What work returns; a Failure from it comes out with its message after
// context and ": " (the file it concerns, or what could not be done).
template <class Work>
auto Concerning(const std::string& context, Work work) -> decltype(work())
{
    try {
        return work();
    } catch (const Failure& failure) {
        throw Failure(context + ": " + failure.what());
    }
}

}  // namespace toolkit

#endif
